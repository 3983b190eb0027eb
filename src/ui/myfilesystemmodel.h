#pragma once

#include <QFileSystemModel>

class QDateTime;
class QLocale;

// The file system model of the main window's tree: the toolkit's model with column heads, sizes,
// folder types and dates in the language installed at the moment they are asked for (the toolkit
// formats those with the system's locale, and its catalogues lack the folder type in Chinese).
class MyFileSystemModel : public QFileSystemModel
{
    Q_OBJECT

public:
    explicit MyFileSystemModel(QObject *parent = nullptr);
    ~MyFileSystemModel() override;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // A modification time as the date column shows it: the locale's short date and time.
    static QString modifiedText(const QDateTime &modified, const QLocale &locale);
    // The head of a column (0 name, 1 size, 2 type, 3 date modified), empty for others, and the
    // type a folder shows, in the language installed at the moment of the call. Shared with the
    // lists that show what is inside an archive.
    static QString columnTitle(int column);
    static QString folderType();
};
