#include "myfilesystemmodel.h"

#include "datasize.h"

#include <QDateTime>
#include <QLocale>

namespace {

enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn };

} // namespace

MyFileSystemModel::MyFileSystemModel(QObject *parent) : QFileSystemModel(parent) {}

MyFileSystemModel::~MyFileSystemModel() = default;

QVariant MyFileSystemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Looked up at every call, so the heads follow a language switch without a reset.
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && !columnTitle(section).isEmpty())
        return columnTitle(section);
    return QFileSystemModel::headerData(section, orientation, role);
}

QVariant MyFileSystemModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QFileSystemModel::data(index, role);
    switch (index.column()) {
    case SizeColumn:
        return isDir(index) ? QString() : DataSize::text(size(index));
    case TypeColumn:
        // Rows at the top of the model are the drives. A file's type is the MIME database's
        // comment, which the toolkit already gives in the default locale's language.
        if (!index.parent().isValid())
            return tr("驱动器");
        if (isDir(index))
            return folderType();
        break;
    case DateColumn: {
        const QDateTime modified = lastModified(index);
        return modified.isValid() ? modifiedText(modified, QLocale()) : QString();
    }
    default:
        break;
    }
    return QFileSystemModel::data(index, role);
}

QString MyFileSystemModel::columnTitle(int column)
{
    switch (column) {
    case NameColumn:
        return tr("名称");
    case SizeColumn:
        return tr("大小");
    case TypeColumn:
        return tr("类型");
    case DateColumn:
        return tr("修改日期");
    default:
        return QString();
    }
}

QString MyFileSystemModel::folderType()
{
    return tr("文件夹");
}

QString MyFileSystemModel::modifiedText(const QDateTime &modified, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    // Taiwan's short time starts with the day-period letter "B", which this toolkit version prints
    // as a literal letter; the 24-hour clock says the same without it.
    if (timeFormat.contains(QLatin1Char('B')))
        timeFormat = QStringLiteral("HH:mm");
    return locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(modified.time(), timeFormat);
}
