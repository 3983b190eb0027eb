#pragma once

#include <QList>
#include <QRect>
#include <QSettings>
#include <QString>

// What the window keeps between runs, as plain values.
struct WindowState {
    QRect geometry;
    // The folder shown; empty for the drive list.
    QString lastPath;
    bool showHiddenFiles = false;
    // Name, size, type and date columns.
    QList<int> columnWidths;
    int sortColumn = 0;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};

// The settings store of the window: reads and writes WindowState and the interface language under
// the keys of settingskeys.h. Values another program or an older file may have left fall back to
// the defaults. GUI thread.
class WindowSettings
{
public:
    static constexpr int columnCount = 4;
    static const QRect defaultGeometry;
    static const QList<int> defaultColumnWidths;

    // The stored state; startPath stands in for a folder never stored.
    static WindowState load(const QString &startPath);
    // The store's status after writing.
    static QSettings::Status save(const WindowState &state);
    // Every stored value goes, the language included.
    static void clear();

    // The stored interface language, or the source language.
    static QString language();
    static void saveLanguage(const QString &language);
};
