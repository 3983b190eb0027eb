#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>

// Runs an independent program (unzip, 7z, bsdtar, tar) to cross-check what the engine wrote.
struct ToolRun {
    int exitCode = -1;
    QString output; // standard output and error together

    static ToolRun run(const QString &program, const QStringList &arguments,
                       const QString &workingDirectory = QString())
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (!workingDirectory.isEmpty())
            process.setWorkingDirectory(workingDirectory);
        process.start(program, arguments);
        process.closeWriteChannel();
        if (!process.waitForFinished(300000))
            return {-1, QStringLiteral("did not finish")};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAll())};
    }

    // True once the process of that id has ended and been reaped.
    static bool processGone(qint64 pid) { return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH; }
};
