#pragma once

#include <QCoreApplication>
#include <QString>

// Sizes as the window shows them everywhere (list, status line, progress): binary multiples of
// 1024 under the names people know ("KB", "MB", "GB"), two decimals, whole bytes below 1 KB,
// in the language installed at the moment of the call.
class DataSize
{
    Q_DECLARE_TR_FUNCTIONS(DataSize)

public:
    static QString text(qint64 bytes);
};
