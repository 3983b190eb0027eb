#pragma once

#include <QString>

// How sizes read everywhere in the window (list, status line, dialogs), in the installed language.
namespace SizeFormat {

QString text(qint64 bytes);

} // namespace SizeFormat
