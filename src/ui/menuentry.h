#pragma once

#include <QAction>

// An entry of the window's menu that stands where the form would have a button: it emits clicked()
// when triggered, so a slot named on_<objectName>_clicked is bound to it by the form's automatic
// connections.
class MenuEntry : public QAction
{
    Q_OBJECT

public:
    MenuEntry(const QString &objectName, QObject *parent);

signals:
    void clicked();
};
