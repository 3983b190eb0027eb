#include "modaldialogdriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>

namespace {

QAbstractButton *buttonWithText(QWidget *dialog, const QString &text)
{
    for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

bool isReplaceQuestion(QWidget *dialog)
{
    return dialog->inherits("ReplaceDialog");
}

} // namespace

ModalDialogDriver::ModalDialogDriver()
{
    connect(&pollTimer, &QTimer::timeout, this, &ModalDialogDriver::poll);
    pollTimer.start(10);
}

ModalDialogDriver &ModalDialogDriver::then(Step step)
{
    steps.append(std::move(step));
    return *this;
}

QString ModalDialogDriver::state() const
{
    return QStringLiteral("dialogs seen: [%1]; steps left: %2")
        .arg(seen.join(QStringLiteral(", ")))
        .arg(steps.size());
}

QString ModalDialogDriver::describe(QWidget *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        return QStringLiteral("box|%1|%2").arg(box->windowTitle(), box->text());
    if (auto *input = qobject_cast<QInputDialog *>(dialog))
        return QStringLiteral("input|%1|%2").arg(input->windowTitle(), input->labelText());
    if (auto *files = qobject_cast<QFileDialog *>(dialog))
        return QStringLiteral("file|%1").arg(files->windowTitle());
    if (isReplaceQuestion(dialog)) {
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        return QStringLiteral("replace|%1|%2")
            .arg(dialog->windowTitle(), labels.isEmpty() ? QString() : labels.first()->text());
    }
    return QStringLiteral("other|%1").arg(dialog->windowTitle());
}

void ModalDialogDriver::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || answered.contains(dialog) || !dialog->isVisible() ||
        qobject_cast<QProgressDialog *>(dialog))
        return;
    answered.append(dialog);
    seen.append(describe(dialog));
    Step step;
    if (steps.isEmpty()) {
        seen.last().prepend(QStringLiteral("unexpected "));
        step = reject();
    } else {
        step = steps.takeFirst();
    }
    ++pendingActions;
    // From the driver, not the dialog: a step may delete the dialog (and the window holding it).
    QTimer::singleShot(0, this, [this, dialog = QPointer<QWidget>(dialog), step] {
        if (dialog)
            step(dialog);
        --pendingActions;
    });
}

ModalDialogDriver::Step ModalDialogDriver::chooseFile(const QString &path, QStringList *details)
{
    return [path, details](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        if (!files) {
            reject()(dialog);
            return;
        }
        if (details) {
            details->append(files->directory().absolutePath());
            details->append(files->selectedFiles().join(QLatin1Char(';')));
            details->append(files->nameFilters().join(QStringLiteral(";;")));
            details->append(files->testOption(QFileDialog::ShowDirsOnly) ? QStringLiteral("dirs only")
                                                                         : QStringLiteral("all entries"));
        }
        if (path.isEmpty()) {
            files->reject();
            return;
        }
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(files)->accept();
    };
}

ModalDialogDriver::Step ModalDialogDriver::chooseFileWithFilter(const QString &path, const QString &filter)
{
    return [path, filter](QWidget *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog))
            files->selectNameFilter(filter);
        chooseFile(path)(dialog);
    };
}

ModalDialogDriver::Step ModalDialogDriver::reject()
{
    return [](QWidget *dialog) {
        if (auto *modal = qobject_cast<QDialog *>(dialog))
            modal->reject();
        else
            dialog->close();
    };
}

ModalDialogDriver::Step ModalDialogDriver::enterPassword(const QString &password,
                                                         std::function<void()> alsoDo)
{
    return [password, alsoDo](QWidget *dialog) {
        auto *input = qobject_cast<QInputDialog *>(dialog);
        if (!input || input->textEchoMode() != QLineEdit::Password) {
            reject()(dialog);
            return;
        }
        if (alsoDo)
            alsoDo();
        input->setTextValue(password);
        input->accept();
    };
}

ModalDialogDriver::Step ModalDialogDriver::press(QMessageBox::StandardButton button)
{
    return [button](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (box && box->button(button))
            box->button(button)->click();
        else
            reject()(dialog);
    };
}

ModalDialogDriver::Step ModalDialogDriver::answerReplace(ReplaceChoice choice, bool applyToAll)
{
    return [choice, applyToAll](QWidget *dialog) {
        if (!isReplaceQuestion(dialog)) {
            reject()(dialog);
            return;
        }
        if (auto *box = dialog->findChild<QCheckBox *>())
            box->setChecked(applyToAll);
        // The dialog's own words, in the language the tests run in.
        const char *text = "取消";
        switch (choice) {
        case ReplaceChoice::Replace:
            text = "替换";
            break;
        case ReplaceChoice::Skip:
            text = "跳过";
            break;
        case ReplaceChoice::KeepBoth:
            text = "保留两者";
            break;
        case ReplaceChoice::Cancel:
            break;
        }
        if (QAbstractButton *button = buttonWithText(dialog, QString::fromUtf8(text)))
            button->click();
        else
            reject()(dialog);
    };
}
