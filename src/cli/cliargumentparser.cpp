#include "cliargumentparser.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

namespace {

struct CommandName {
    QLatin1String shortName;
    QLatin1String longName;
    CliCommand command;
};

const CommandName commandNames[] = {
    {QLatin1String("a"), QLatin1String("add"), CliCommand::Add},
    {QLatin1String("x"), QLatin1String("extract"), CliCommand::Extract},
    {QLatin1String("l"), QLatin1String("list"), CliCommand::List},
    {QLatin1String("t"), QLatin1String("test"), CliCommand::Test},
};

const CommandName *findCommand(const QString &name)
{
    for (const CommandName &candidate : commandNames) {
        if (name == candidate.shortName || name == candidate.longName)
            return &candidate;
    }
    return nullptr;
}

// -p..., --pass..., --password=... and the like, before "--". Such an argument holds a password that
// every local user can read in the process list.
bool looksLikePasswordArgument(const QString &argument)
{
    if (argument.startsWith(QLatin1String("-p")))
        return true;
    return argument.startsWith(QLatin1String("--pass")) && argument != QLatin1String("--password-stdin");
}

bool parseOverwriteMode(const QString &text, OverwriteMode *mode)
{
    static const std::pair<QLatin1String, OverwriteMode> modes[] = {
        {QLatin1String("ask"), OverwriteMode::Ask},
        {QLatin1String("replace"), OverwriteMode::Replace},
        {QLatin1String("skip"), OverwriteMode::Skip},
        {QLatin1String("rename"), OverwriteMode::Rename},
    };
    for (const auto &[name, value] : modes) {
        if (text == name) {
            *mode = value;
            return true;
        }
    }
    return false;
}

} // namespace

CliArgumentParser::Outcome CliArgumentParser::refuse(const QString &why)
{
    problem = why;
    return Outcome::BadUsage;
}

CliArgumentParser::Outcome CliArgumentParser::parse(const QStringList &arguments)
{
    parsed = CliArguments();
    problem.clear();

    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        if (looksLikePasswordArgument(argument))
            return refuse(tr("不接受命令行中的密码（本机的其他用户可以看到它）；请使用 --password-stdin"));
    }

    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                          QStringLiteral("folder"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));
    const QCommandLineOption passwordOption(QStringLiteral("password-stdin"));
    const QCommandLineOption overwriteOption(QStringLiteral("overwrite"), QString(), QStringLiteral("mode"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringList{QStringLiteral("V"), QStringLiteral("version")});

    QCommandLineParser parser;
    parser.addOptions({outputOption, jsonOption, passwordOption, overwriteOption, helpOption, versionOption});
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return refuse(tr("未知选项: %1").arg(parser.unknownOptionNames().constFirst()));
        return refuse(parser.errorText());
    }
    if (parser.isSet(helpOption))
        return Outcome::ShowHelp;
    if (parser.isSet(versionOption))
        return Outcome::ShowVersion;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refuse(tr("缺少命令"));
    const QString commandText = positional.takeFirst();
    const CommandName *command = findCommand(commandText);
    if (!command)
        return refuse(tr("未知命令: %1").arg(commandText));
    parsed.command = command->command;

    if (positional.isEmpty() || positional.constFirst().isEmpty())
        return refuse(tr("缺少压缩包"));
    parsed.archivePath = positional.takeFirst();
    parsed.paths = positional;

    const QString commandShown = command->shortName;
    const auto onlyFor = [&](const QCommandLineOption &option, std::initializer_list<CliCommand> commands) {
        return !parser.isSet(option) ||
               std::find(commands.begin(), commands.end(), parsed.command) != commands.end();
    };
    const auto notFor = [&](const QString &optionName) {
        return refuse(tr("选项 %1 不适用于命令 %2").arg(optionName, commandShown));
    };
    if (!onlyFor(outputOption, {CliCommand::Extract}))
        return notFor(QStringLiteral("--output"));
    if (!onlyFor(jsonOption, {CliCommand::List}))
        return notFor(QStringLiteral("--json"));
    if (!onlyFor(overwriteOption, {CliCommand::Add, CliCommand::Extract}))
        return notFor(QStringLiteral("--overwrite"));

    switch (parsed.command) {
    case CliCommand::Add:
        if (parsed.paths.isEmpty())
            return refuse(tr("缺少要压缩的文件或文件夹"));
        if (parsed.paths.contains(QString()))
            return refuse(tr("要压缩的路径为空"));
        break;
    case CliCommand::Extract:
        break;
    case CliCommand::List:
    case CliCommand::Test:
        if (!parsed.paths.isEmpty())
            return refuse(tr("多余的参数: %1").arg(parsed.paths.constFirst()));
        break;
    }

    if (parser.isSet(outputOption)) {
        parsed.outputFolder = parser.value(outputOption);
        if (parsed.outputFolder.isEmpty())
            return refuse(tr("解压目标文件夹为空"));
    }
    if (parser.isSet(overwriteOption) &&
        !parseOverwriteMode(parser.value(overwriteOption), &parsed.overwrite))
        return refuse(tr("--overwrite 的值无效: %1（可用: ask、replace、skip、rename）")
                          .arg(parser.value(overwriteOption)));
    parsed.json = parser.isSet(jsonOption);
    parsed.passwordFromStdin = parser.isSet(passwordOption);
    return Outcome::Run;
}
