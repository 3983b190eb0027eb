#include "replacedialog.h"

#include "datasize.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

ReplaceDialog::ReplaceDialog(const ReplaceQuestion &question, QWidget *parent)
    : QDialog(parent), applyToAllBox(new QCheckBox(tr("对其余冲突执行相同操作"), this)),
      replaceButton(new QPushButton(tr("替换"), this)), skipButton(new QPushButton(tr("跳过"), this)),
      keepBothButton(new QPushButton(tr("保留两者"), this)), cancelButton(new QPushButton(tr("取消"), this))
{
    setWindowTitle(tr("确认替换"));
    auto *layout = new QVBoxLayout(this);
    auto *heading =
        new QLabel(tr("目标位置已有“%1”。").arg(QFileInfo(question.existingPath).fileName()), this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto *location = new QLabel(QFileInfo(question.existingPath).absolutePath(), this);
    location->setWordWrap(true);
    layout->addWidget(location);
    layout->addWidget(new QLabel(tr("现有项目: %1").arg(describe(question.existing)), this));
    layout->addWidget(new QLabel(tr("压缩包中的项目: %1").arg(describe(question.incoming)), this));
    if (!question.canReplace) {
        auto *note = new QLabel(tr("无法替换：现有文件夹中还有内容。"), this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(applyToAllBox);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(replaceButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(skipButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(keepBothButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelButton, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    replaceButton->setEnabled(question.canReplace);
    (question.canReplace ? replaceButton : keepBothButton)->setDefault(true);

    connect(replaceButton, &QPushButton::clicked, this, [this] { choose(ReplaceChoice::Replace); });
    connect(skipButton, &QPushButton::clicked, this, [this] { choose(ReplaceChoice::Skip); });
    connect(keepBothButton, &QPushButton::clicked, this, [this] { choose(ReplaceChoice::KeepBoth); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { choose(ReplaceChoice::Cancel); });
}

ReplaceAnswer ReplaceDialog::ask(const ReplaceQuestion &question, QWidget *parent)
{
    ReplaceDialog dialog(question, parent);
    dialog.exec();
    return dialog.answer();
}

ReplaceAnswer ReplaceDialog::answer() const
{
    return {chosen, chosen != ReplaceChoice::Cancel && applyToAllBox->isChecked()};
}

void ReplaceDialog::choose(ReplaceChoice choice)
{
    chosen = choice;
    if (choice == ReplaceChoice::Cancel)
        reject();
    else
        accept();
}

QString ReplaceDialog::describe(const ItemDescription &item) const
{
    const QString date = item.modified.isValid()
                             ? QLocale().toString(item.modified.toLocalTime(), QLocale::ShortFormat)
                             : tr("日期未知");
    if (item.isFolder)
        return tr("文件夹，修改于 %1").arg(date);
    if (item.isLink)
        return tr("链接，修改于 %1").arg(date);
    return tr("%1，修改于 %2").arg(DataSize::text(item.size), date);
}
