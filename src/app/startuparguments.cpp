#include "startuparguments.h"

#include "archiveformat.h"
#include "kelvaneversion.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

const QString extractHereName = QStringLiteral("extract-here");
const QString extractToName = QStringLiteral("extract-to");
const QString compressName = QStringLiteral("compress");
const QString testName = QStringLiteral("test");

// The one set of options, for reading and for the help text alike.
struct ParserSetup {
    QCommandLineParser parser;

    ParserSetup()
    {
        parser.setApplicationDescription(StartupArguments::tr(
            "Kelvane 压缩工具。\n"
            "kelvane [路径]：打开主窗口；路径为文件夹时显示它，为压缩文件或其他文件时显示"
            "它所在的文件夹并选中它。\n"
            "批处理命令只显示进度对话框和需要回答的问题（密码、替换），完成后退出。\n"
            "退出状态：0 成功，1 失败，2 用法错误，3 缺少密码或密码错误，130 已取消。"));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(QCommandLineOption(
            extractHereName,
            StartupArguments::tr("将每个压缩文件解压到它旁边以它命名的新文件夹（名称已被占用时"
                                 "改用“名称 (2)”等）")));
        parser.addOption(QCommandLineOption(
            extractToName, StartupArguments::tr("将压缩文件解压到<目录>；<目录>为空字符串时用对话框选择"),
            StartupArguments::tr("目录")));
        parser.addOption(QCommandLineOption(
            compressName,
            StartupArguments::tr("将路径压缩为<压缩文件>，格式由文件名决定；<压缩文件>为空字符串时用对话框"
                                 "选择"),
            StartupArguments::tr("压缩文件")));
        parser.addOption(QCommandLineOption(testName, StartupArguments::tr("测试每个压缩文件是否完好")));
        parser.addPositionalArgument(
            StartupArguments::tr("路径"),
            StartupArguments::tr("要打开的文件夹、压缩文件或文件；批处理命令的压缩文件或要压缩的路径"),
            StartupArguments::tr("[路径...]"));
    }
};

QString absolute(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

StartupRequest::Action classify(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return StartupRequest::Action::OpenFolder;
    if (!info.exists())
        return StartupRequest::Action::MissingPath;
    if (info.isFile() && FormatRegistry::canExtract(info.fileName()))
        return StartupRequest::Action::OpenArchive;
    return StartupRequest::Action::ShowFile;
}

} // namespace

bool StartupRequest::isBatch() const
{
    return action == Action::ExtractHere || action == Action::ExtractTo || action == Action::Compress ||
           action == Action::Test;
}

bool StartupArguments::parse(const QStringList &arguments)
{
    parsed = StartupRequest();
    errorText.clear();
    ParserSetup setup;
    QCommandLineParser &parser = setup.parser;
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    // --help-all, which the toolkit's help option brings along, is the same help here.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.action = StartupRequest::Action::ShowHelp;
        return true;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.action = StartupRequest::Action::ShowVersion;
        return true;
    }

    struct Command {
        QString option;
        StartupRequest::Action action;
    };
    const QList<Command> commands{{extractHereName, StartupRequest::Action::ExtractHere},
                                  {extractToName, StartupRequest::Action::ExtractTo},
                                  {compressName, StartupRequest::Action::Compress},
                                  {testName, StartupRequest::Action::Test}};
    QStringList given;
    for (const Command &command : commands) {
        if (!parser.isSet(command.option))
            continue;
        // An option given twice would leave one of its values unused.
        if (!given.isEmpty() || parser.values(command.option).size() > 1)
            return fail(
                tr("--extract-here、--extract-to、--compress 和 --test 只能使用其中一个，且只能使用一次"));
        given.append(command.option);
        parsed.action = command.action;
    }

    const QStringList positional = parser.positionalArguments();
    for (const QString &path : positional) {
        if (path.isEmpty())
            return fail(tr("路径不能为空"));
        parsed.paths.append(absolute(path));
    }

    if (given.isEmpty()) {
        // A file manager passes every selected item; the window shows one place, the first's.
        if (!positional.isEmpty()) {
            parsed.target = parsed.paths.first();
            parsed.paths.clear();
            parsed.action = classify(parsed.target);
        }
        return true;
    }

    if (parsed.action == StartupRequest::Action::ExtractTo)
        parsed.target = absolute(parser.value(extractToName));
    else if (parsed.action == StartupRequest::Action::Compress)
        parsed.target = absolute(parser.value(compressName));
    if (parsed.paths.isEmpty()) {
        return fail(parsed.action == StartupRequest::Action::Compress
                        ? tr("--compress 需要至少一个要压缩的路径")
                        : tr("--%1 需要至少一个压缩文件").arg(given.first()));
    }
    return true;
}

bool StartupArguments::fail(const QString &text)
{
    parsed = StartupRequest();
    errorText = text;
    return false;
}

QString StartupArguments::helpText()
{
    ParserSetup setup;
    return setup.parser.helpText();
}

QString StartupArguments::versionText()
{
    return QStringLiteral("kelvane %1\n").arg(QLatin1String(KELVANE_VERSION_TEXT));
}
