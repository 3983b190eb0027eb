#include "menuentry.h"

MenuEntry::MenuEntry(const QString &objectName, QObject *parent) : QAction(parent)
{
    setObjectName(objectName);
    connect(this, &QAction::triggered, this, &MenuEntry::clicked);
}
