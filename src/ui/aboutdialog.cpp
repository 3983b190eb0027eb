#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "kelvaneversion.h"

#include <QDesktopServices>
#include <QUrl>

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
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
