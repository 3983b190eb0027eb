#include "helptext.h"

#include "archiveformat.h"
#include "exitcode.h"
#include "kelvaneversion.h"
#include "terminal.h"

#include <QStringList>

namespace {

constexpr int textWidth = 80;
constexpr int optionColumn = 28;
constexpr int exitCodeColumn = 8;

QString program()
{
    return QStringLiteral("kelvane-cli");
}

// A term and its description in two columns; a term too long for its column gets a line of its own.
QString row(const QString &term, const QString &description, int descriptionColumn = optionColumn)
{
    QString line = QLatin1String("  ") + term;
    const int termWidth = Terminal::displayWidth(line);
    if (termWidth + 2 > descriptionColumn)
        line += QLatin1Char('\n') + QString(descriptionColumn, QLatin1Char(' '));
    else
        line += QString(descriptionColumn - termWidth, QLatin1Char(' '));
    return line + HelpText::wrap(description, descriptionColumn, textWidth) + QLatin1Char('\n');
}

QString paragraph(const QString &text)
{
    return HelpText::wrap(text, 0, textWidth) + QLatin1Char('\n');
}

bool isWideCharacter(QChar character)
{
    return Terminal::displayWidth(QString(character)) > 1;
}

// Words to fill lines with: runs of characters between spaces, and each wide character alone.
QStringList wrapUnits(const QString &text)
{
    QStringList units;
    QString current;
    const auto flush = [&] {
        if (!current.isEmpty())
            units.append(current);
        current.clear();
    };
    for (const QChar character : text) {
        if (character == QLatin1Char(' ')) {
            flush();
            units.append(QStringLiteral(" "));
        } else if (isWideCharacter(character)) {
            flush();
            units.append(QString(character));
        } else {
            current += character;
        }
    }
    flush();
    return units;
}

} // namespace

QString HelpText::wrap(const QString &text, int indent, int width)
{
    const int room = std::max(20, width - indent);
    QStringList lines;
    QString line;
    int used = 0;
    for (const QString &unit : wrapUnits(text)) {
        const int unitWidth = Terminal::displayWidth(unit);
        if (unit == QLatin1String(" ")) {
            if (used > 0 && used < room) {
                line += unit;
                ++used;
            }
            continue;
        }
        if (used + unitWidth > room && used > 0) {
            lines.append(line.trimmed());
            line.clear();
            used = 0;
        }
        line += unit;
        used += unitWidth;
    }
    if (!line.trimmed().isEmpty())
        lines.append(line.trimmed());
    return lines.join(QLatin1Char('\n') + QString(indent, QLatin1Char(' ')));
}

QString HelpText::full()
{
    const QString archive = QLatin1Char('<') + tr("压缩包") + QLatin1Char('>');
    const QString path = QLatin1Char('<') + tr("路径") + QLatin1Char('>');
    const QString folder = QLatin1Char('<') + tr("文件夹") + QLatin1Char('>');
    const QString entry = QLatin1Char('<') + tr("项") + QLatin1Char('>');
    const QString mode = QLatin1Char('<') + tr("方式") + QLatin1Char('>');
    const QString cli = program();

    QString text = paragraph(tr("%1 — 在终端中压缩文件、解压压缩包（Kelvane 的命令行程序）").arg(cli));
    text += QLatin1Char('\n') + tr("用法:") + QLatin1Char('\n');
    text += QStringLiteral("  %1 a %2 %3...\n").arg(cli, archive, path);
    text += QStringLiteral("  %1 x %2 [-o %3] [%4...]\n").arg(cli, archive, folder, entry);
    text += QStringLiteral("  %1 l %2 [--json]\n").arg(cli, archive);
    text += QStringLiteral("  %1 t %2\n").arg(cli, archive);

    text += QLatin1Char('\n') + tr("命令:") + QLatin1Char('\n');
    text +=
        row(QStringLiteral("a, add"), tr("将文件和文件夹压缩为新的压缩包，格式由压缩包名称的扩展名决定。"));
    text += row(QStringLiteral("x, extract"),
                tr("解压压缩包的全部内容，或只解压列出的项（文件夹包括其中的一切）。默认解压到当前文件夹。"));
    text += row(QStringLiteral("l, list"), tr("列出压缩包中的项：大小、修改时间和名称。"));
    text += row(QStringLiteral("t, test"), tr("检查压缩包中的每个文件是否完好，不写入任何文件。"));

    text += QLatin1Char('\n') + tr("选项:") + QLatin1Char('\n');
    text += row(QStringLiteral("-o, --output %1").arg(folder), tr("（x）解压到此文件夹，不存在时会创建。"));
    text +=
        row(QStringLiteral("--json"), tr("（l）以一行 JSON 输出列表：archive、format 以及 entries，每项含 "
                                         "name、type（file、folder、link）、size、compressedSize、modified（U"
                                         "TC）、encrypted 和 linkTarget。"));
    text += row(
        QStringLiteral("--password-stdin"),
        tr("从标准输入读取一行作为密码（在终端上输入时不显示）。a 用它加密新的压缩包（仅限 ZIP 和 7z）。"));
    text += row(QStringLiteral("--overwrite=%1").arg(mode),
                tr("（a、x）遇到已存在的项时：ask "
                   "询问（默认；仅当标准输入和标准错误都是终端时询问，否则不替换并报错）、replace 替换、skip "
                   "跳过、rename 以新名称保留两者。"));
    text += row(QStringLiteral("-h, --help"), tr("显示此帮助。"));
    text += row(QStringLiteral("-V, --version"), tr("显示版本。"));

    text += QLatin1Char('\n');
    text += paragraph(tr("可创建: %1").arg(FormatRegistry::creatablePatterns().join(QLatin1Char(' '))));
    text += paragraph(tr("可读取: %1").arg(FormatRegistry::extractablePatterns().join(QLatin1Char(' '))));
    text += QLatin1Char('\n');
    text += paragraph(tr("程序不接受以参数给出的密码，因为本机的其他用户可以在进程列表中看到它。压缩包需要密"
                         "码而未给出 --password-stdin 时，若标准输入和标准错误都是终端，程序会询问密码。"));
    text += paragraph(tr(
        "标准错误是终端时显示进度条。按 Ctrl+C（或发送 SIGTERM）取消：不会留下不完整的压缩包或解压结果。"));
    text += paragraph(tr("以 -- 结束选项，之后的参数即使以 - 开头也作为名称。"));

    text += QLatin1Char('\n') + tr("退出状态:") + QLatin1Char('\n');
    text += row(QString::number(int(ExitCode::Success)), tr("成功"), exitCodeColumn);
    text +=
        row(QString::number(int(ExitCode::Failure)),
            tr("失败：压缩包损坏或无法读取、输入无法读取、已存在的项未被替换、磁盘错误等"), exitCodeColumn);
    text += row(QString::number(int(ExitCode::BadUsage)), tr("命令行有误，未执行任何操作"), exitCodeColumn);
    text += row(QString::number(int(ExitCode::PasswordProblem)), tr("压缩包已加密，需要密码，或密码错误"),
                exitCodeColumn);
    text += row(QString::number(int(ExitCode::Cancelled)),
                tr("已取消（Ctrl+C、SIGTERM 或在提问时取消），不留下任何不完整的结果"), exitCodeColumn);

    text += QLatin1Char('\n') + tr("示例:") + QLatin1Char('\n');
    text += QStringLiteral("  %1 a backup.tar.gz Documents Photos\n").arg(cli);
    text += QStringLiteral("  %1 x backup.tar.gz -o restored Documents/report.odt\n").arg(cli);
    text +=
        QStringLiteral("  printf '%s\\n' \"$PASSWORD\" | %1 x secret.zip --password-stdin --overwrite=skip\n")
            .arg(cli);
    text += QStringLiteral("  %1 l backup.zip --json\n").arg(cli);
    return text;
}

QString HelpText::hint()
{
    return tr("运行 %1 --help 查看用法。").arg(program());
}

QString HelpText::version()
{
    return QStringLiteral("%1 %2\n").arg(program(), QStringLiteral(KELVANE_VERSION_TEXT));
}
