#pragma once

#include <QString>

// Every key of the settings store, in one place. The store belongs to organisation and application
// "Kelvane"; values written by earlier versions keep their meaning.
namespace SettingsKeys {

inline const QString organisation = QStringLiteral("Kelvane");
inline const QString application = QStringLiteral("Kelvane");

// QRect: the window's geometry.
inline const QString windowGeometry = QStringLiteral("window/geometry");
// QString: the folder shown, or empty for the drive list.
inline const QString lastPath = QStringLiteral("navigation/lastPath");
// bool: whether hidden files are listed.
inline const QString showHiddenFiles = QStringLiteral("view/showHiddenFiles");
// List of four ints: the widths of the name, size, type and date columns.
inline const QString columnWidths = QStringLiteral("view/columnWidths");
// int: the column the list is sorted by (0 to 3).
inline const QString sortColumn = QStringLiteral("view/sortColumn");
// int: 0 ascending, 1 descending.
inline const QString sortOrder = QStringLiteral("view/sortOrder");
// QString: the interface language ("zh_CN", "zh_TW", "en_US").
inline const QString language = QStringLiteral("language");

} // namespace SettingsKeys
