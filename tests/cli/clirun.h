#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs the built kelvane-cli (KELVANE_CLI_PATH) with its standard streams on pipes, so it sees no
// terminal, in the language of the locale given.
struct CliRun {
    struct Options {
        // Written to standard input, which is then closed.
        QByteArray input;
        QString locale = QStringLiteral("en_US.UTF-8");
        QString workingDirectory;
    };

    int exitCode = -1;
    QByteArray output;
    QString errors;

    static QProcessEnvironment environment(const QString &locale)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("LANG"), locale);
        return environment;
    }

    static CliRun run(const QStringList &arguments, const Options &options)
    {
        QProcess process;
        process.setProcessEnvironment(environment(options.locale));
        if (!options.workingDirectory.isEmpty())
            process.setWorkingDirectory(options.workingDirectory);
        process.start(QStringLiteral(KELVANE_CLI_PATH), arguments);
        process.write(options.input);
        process.closeWriteChannel();
        CliRun result;
        if (!process.waitForFinished(300000)) {
            process.kill();
            process.waitForFinished();
            result.errors = QStringLiteral("did not finish");
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.output = process.readAllStandardOutput();
        result.errors = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static CliRun run(const QStringList &arguments) { return run(arguments, Options()); }
};
