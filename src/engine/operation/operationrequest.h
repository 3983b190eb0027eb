#pragma once

#include <QString>
#include <QStringList>

enum class OperationKind { Create, Extract, List, Test };

// What to do when an extracted item would take the place of an existing one.
enum class ReplacePolicy {
    Ask,      // ask through the operation's Interaction; without one, as Refuse
    Replace,  // replace files (a folder's contents are never deleted)
    Skip,     // keep what is there
    KeepBoth, // give the new item a free name such as "name (2).ext"
    Refuse,   // fail with DestinationExists, leaving the destination as it was
};

// How to read legacy (non-UTF-8) names in archives that do not say: the interface language gives the
// first guess among the code pages that fit the bytes. The engine never reads the process locale.
enum class LegacyNameLanguage { SimplifiedChinese, TraditionalChinese, Western };

// Everything one operation needs, fixed when it is created. A plain value, copied into the job.
struct OperationRequest {
    OperationKind kind = OperationKind::Extract;
    // Create: the creation name as given ("ZIP", "GZIP", ...), refused when the registry lacks it.
    QString formatName;
    // Create: the files and folders to pack, in selection order.
    QStringList inputs;
    QString archivePath;
    // Extract: the folder to unpack into, created when missing.
    QString destinationPath;
    // Extract: only these entries (a folder's name includes everything under it), each placed
    // relative to the deepest folder holding all of them; empty for the whole archive.
    QStringList entryNames;
    QString password;
    ReplacePolicy replacePolicy = ReplacePolicy::Replace;
    LegacyNameLanguage legacyNameLanguage = LegacyNameLanguage::SimplifiedChinese;

    static OperationRequest create(const QString &formatName, const QStringList &inputs,
                                   const QString &archivePath, const QString &password);
    static OperationRequest extract(const QString &archivePath, const QString &destinationPath,
                                    const QString &password);
    static OperationRequest list(const QString &archivePath, const QString &password);
    static OperationRequest test(const QString &archivePath, const QString &password);
};
