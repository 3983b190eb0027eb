#pragma once

#include <QFileSystemModel>

// The file system model of the main window's tree: the toolkit's model with column heads that
// follow the language installed at the moment they are asked for.
class MyFileSystemModel : public QFileSystemModel
{
    Q_OBJECT

public:
    explicit MyFileSystemModel(QObject *parent = nullptr);
    ~MyFileSystemModel() override;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
