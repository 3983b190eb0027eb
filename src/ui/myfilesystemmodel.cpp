#include "myfilesystemmodel.h"

MyFileSystemModel::MyFileSystemModel(QObject *parent) : QFileSystemModel(parent) {}

MyFileSystemModel::~MyFileSystemModel() = default;

QVariant MyFileSystemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        // Looked up at every call, so the heads follow a language switch without a reset.
        switch (section) {
        case 0:
            return tr("名称");
        case 1:
            return tr("大小");
        case 2:
            return tr("类型");
        case 3:
            return tr("修改日期");
        default:
            break;
        }
    }
    return QFileSystemModel::headerData(section, orientation, role);
}
