#pragma once

#include <QByteArray>
#include <QString>

// Helpers shared by the archive readers: turning stored entry names into text. Pure functions, safe
// on any thread.
class ArchiveEntryName
{
public:
    // Decodes a raw stored name. UTF-8 when the maker marked it so or when the bytes are valid
    // UTF-8; otherwise the legacy code pages Chinese tools write (GB18030, Big5, the Traditional
    // one first when the interface is Traditional Chinese), CP437 as the last resort.
    static QString decode(const QByteArray &raw, bool markedUtf8);

    // True when the interface speaks Traditional Chinese. Read from the default QLocale, which the
    // application sets when it loads a language (the system locale until then).
    static bool prefersTraditionalChinese();
};
