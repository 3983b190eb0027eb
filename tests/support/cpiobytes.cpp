#include "cpiobytes.h"

#include <QFile>

namespace {

QByteArray hex8(quint64 value)
{
    return QByteArray::number(value, 16).rightJustified(8, '0').right(8).toUpper();
}

void padTo4(QByteArray *out)
{
    out->append(QByteArray((4 - out->size() % 4) % 4, '\0'));
}

void append(QByteArray *out, const CpioBytes::Entry &entry, quint32 inode)
{
    const QByteArray name = entry.name + '\0';
    out->append("070701");
    for (const quint64 field : {quint64(inode), quint64(entry.mode), quint64(0), quint64(0), quint64(1),
                                quint64(entry.modified), quint64(entry.data.size()), quint64(0), quint64(0),
                                quint64(0), quint64(0), quint64(name.size()), quint64(0)})
        out->append(hex8(field));
    out->append(name);
    padTo4(out);
    out->append(entry.data);
    padTo4(out);
}

} // namespace

namespace CpioBytes {

Entry file(const QByteArray &name, const QByteArray &data, quint32 permissions)
{
    return {name, 0100000 | permissions, data};
}

Entry folder(const QByteArray &name)
{
    return {name, 040755, QByteArray()};
}

Entry symlink(const QByteArray &name, const QByteArray &target)
{
    return {name, 0120777, target};
}

QByteArray build(const QList<Entry> &entries)
{
    QByteArray out;
    quint32 inode = 1;
    for (const Entry &entry : entries)
        append(&out, entry, inode++);
    append(&out, {QByteArrayLiteral("TRAILER!!!"), 0, QByteArray(), 0}, 0);
    return out;
}

bool write(const QString &path, const QList<Entry> &entries)
{
    const QByteArray bytes = build(entries);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace CpioBytes
