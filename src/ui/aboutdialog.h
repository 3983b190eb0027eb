#pragma once

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class AboutDialog;
}
QT_END_NAMESPACE

// Modal dialog with the logo, version, description, web link and copyright line. Built anew for
// each opening, so its texts always follow the language installed at that moment.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

private slots:
    void on_buttonBox_accepted();

private:
    Ui::AboutDialog *ui;
};
