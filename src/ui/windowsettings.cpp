#include "windowsettings.h"

#include "interfacecatalogue.h"
#include "settingskeys.h"

#include <QVariant>

const QRect WindowSettings::defaultGeometry(100, 100, 800, 640);
const QList<int> WindowSettings::defaultColumnWidths{300, 100, 100, 150};

WindowState WindowSettings::load(const QString &startPath)
{
    const QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    WindowState state;
    state.geometry = settings.value(SettingsKeys::windowGeometry, defaultGeometry).toRect();
    state.lastPath = settings.value(SettingsKeys::lastPath, startPath).toString();
    state.showHiddenFiles = settings.value(SettingsKeys::showHiddenFiles, false).toBool();

    state.columnWidths = defaultColumnWidths;
    const QVariantList widths = settings.value(SettingsKeys::columnWidths).toList();
    if (widths.size() >= columnCount) {
        for (int column = 0; column < columnCount; ++column)
            state.columnWidths[column] = widths.at(column).toInt();
    }

    state.sortColumn = settings.value(SettingsKeys::sortColumn, 0).toInt();
    if (state.sortColumn < 0 || state.sortColumn >= columnCount)
        state.sortColumn = 0;
    state.sortOrder =
        settings.value(SettingsKeys::sortOrder, 0).toInt() == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
    return state;
}

QSettings::Status WindowSettings::save(const WindowState &state)
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.setValue(SettingsKeys::windowGeometry, state.geometry);
    settings.setValue(SettingsKeys::lastPath, state.lastPath);
    settings.setValue(SettingsKeys::showHiddenFiles, state.showHiddenFiles);
    QVariantList widths;
    for (const int width : state.columnWidths)
        widths.append(width);
    settings.setValue(SettingsKeys::columnWidths, widths);
    settings.setValue(SettingsKeys::sortColumn, state.sortColumn);
    settings.setValue(SettingsKeys::sortOrder, static_cast<int>(state.sortOrder));
    settings.sync();
    return settings.status();
}

void WindowSettings::clear()
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.clear();
    settings.sync();
}

QString WindowSettings::language()
{
    const QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    return settings.value(SettingsKeys::language, InterfaceCatalogue::sourceLanguage).toString();
}

void WindowSettings::saveLanguage(const QString &language)
{
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.setValue(SettingsKeys::language, language);
}
