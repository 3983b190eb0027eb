#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "kelvaneversion.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QShortcut>
#include <QUrl>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    // The form has no buttons to close the box; Return closes it, through the object that
    // on_buttonBox_accepted is named for (made before the form, whose automatic connections bind it).
    auto *buttonBox = new QDialogButtonBox(this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->hide();
    for (const int key : {Qt::Key_Return, Qt::Key_Enter})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, buttonBox,
                &QDialogButtonBox::accepted);
    ui->setupUi(this);
    ui->versionLabel->setText(tr("版本: %1").arg(QStringLiteral(KELVANE_VERSION_TEXT)));
    // The label opens nothing itself; the desktop's handler opens the link and the dialog stays up.
    connect(ui->websiteLabel, &QLabel::linkActivated, this,
            [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

void AboutDialog::on_buttonBox_accepted()
{
    close();
}
