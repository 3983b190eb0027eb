#include "passwordprompt.h"

#include <QFileInfo>

PasswordPrompt::PasswordPrompt(const PasswordQuestion &question, QWidget *parent) : QInputDialog(parent)
{
    setWindowTitle(tr("输入密码"));
    setLabelText(text(question));
    setTextEchoMode(QLineEdit::Password);
    setInputMode(QInputDialog::TextInput);
}

QString PasswordPrompt::text(const PasswordQuestion &question)
{
    const QString archive = QFileInfo(question.archivePath).fileName();
    const QString needed = question.entry.isEmpty()
                               ? tr("“%1”已加密，请输入密码:").arg(archive)
                               : tr("“%1”中的“%2”已加密，请输入密码:").arg(archive, question.entry);
    if (!question.previousWasWrong)
        return needed;
    return tr("密码错误，请重试。") + QLatin1Char('\n') + needed;
}

PasswordAnswer PasswordPrompt::answer() const
{
    if (result() != QDialog::Accepted)
        return {};
    return {true, textValue()};
}
