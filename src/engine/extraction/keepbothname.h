#pragma once

#include <QByteArray>

// The names "keep both" tries for an incoming item: "name (2).ext", "name (3).ext", ...; folders and
// names without an extension (".profile" has none) get "name (2)". Works on raw bytes, so names in
// any encoding keep their own bytes. Pure, thread-safe.
namespace KeepBothName {

QByteArray candidate(const QByteArray &name, int number, bool isFolder);

} // namespace KeepBothName
