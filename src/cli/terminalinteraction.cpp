#include "terminalinteraction.h"

#include "terminal.h"
#include "terminalprogressbar.h"

#include <QFileInfo>
#include <QLocale>

namespace {

// Wrong passwords accepted before giving up, as a login prompt does.
constexpr int maximumWrongPasswords = 3;

} // namespace

TerminalInteraction::TerminalInteraction(TerminalProgressBar &progressBar, std::function<bool()> cancelled)
    : progressBar(progressBar), cancelled(std::move(cancelled))
{
}

bool TerminalInteraction::readAnswer(const QString &prompt, QString *answer, bool hidden)
{
    return Terminal::readLine(prompt, answer, hidden, cancelled) == Terminal::ReadStatus::Read;
}

PasswordAnswer TerminalInteraction::askPassword(const PasswordQuestion &question)
{
    progressBar.clear();
    if (question.previousWasWrong) {
        Terminal::write(Terminal::Stream::Error, tr("密码错误") + QLatin1Char('\n'));
        if (++wrongPasswords >= maximumWrongPasswords) {
            passwordGivenUp = true;
            return {};
        }
    }
    PasswordAnswer answer;
    answer.given =
        readAnswer(tr("%1 的密码: ").arg(QFileInfo(question.archivePath).fileName()), &answer.password, true);
    return answer;
}

namespace {

QString describe(const ItemDescription &item)
{
    const QString when = item.modified.isValid()
                             ? item.modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                             : QString();
    QString kind;
    if (item.isLink)
        kind = TerminalInteraction::tr("链接");
    else if (item.isFolder)
        kind = TerminalInteraction::tr("文件夹");
    else
        kind = QLocale::system().formattedDataSize(item.size, 1);
    return when.isEmpty() ? kind : QStringLiteral("%1, %2").arg(kind, when);
}

} // namespace

ReplaceAnswer TerminalInteraction::askReplace(const ReplaceQuestion &question)
{
    progressBar.clear();
    Terminal::write(
        Terminal::Stream::Error,
        tr("已存在: %1 (%2)").arg(question.existingPath, describe(question.existing)) + QLatin1Char('\n') +
            tr("压缩包中的: %1 (%2)").arg(question.entry, describe(question.incoming)) + QLatin1Char('\n'));
    const QString choices =
        question.canReplace
            ? tr("替换 r、跳过 s、保留两者 k、取消 c（大写 R、S、K 对之后的冲突也照此处理）: ")
            : tr("文件夹不为空，不能替换。跳过 s、保留两者 k、取消 c（大写 S、K 对之后的冲突也照此处理）: ");
    for (;;) {
        QString answer;
        if (!readAnswer(choices, &answer, false))
            return {ReplaceChoice::Cancel, false};
        const QString choice = answer.trimmed();
        if (choice.size() != 1)
            continue;
        const QChar letter = choice.at(0);
        const bool applyToAll = letter.isUpper();
        switch (letter.toLower().toLatin1()) {
        case 'r':
            if (question.canReplace)
                return {ReplaceChoice::Replace, applyToAll};
            break;
        case 's':
            return {ReplaceChoice::Skip, applyToAll};
        case 'k':
            return {ReplaceChoice::KeepBoth, applyToAll};
        case 'c':
            return {ReplaceChoice::Cancel, false};
        default:
            break;
        }
    }
}

bool TerminalInteraction::confirmReplaceArchive(const QString &archivePath)
{
    progressBar.clear();
    for (;;) {
        QString answer;
        if (!readAnswer(tr("%1 已存在。替换它吗？[y/N] ").arg(archivePath), &answer, false))
            return false;
        const QString choice = answer.trimmed().toLower();
        if (choice == QLatin1String("y"))
            return true;
        if (choice.isEmpty() || choice == QLatin1String("n"))
            return false;
    }
}
