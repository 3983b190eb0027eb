#pragma once

#include "operationresult.h"

#include <QByteArray>
#include <QString>

// What a failed 7z run means, read from its standard error; 7z's messages are English whatever the
// locale. Pure functions over recorded output, safe on any thread. Each returns Success when it
// recognises nothing, and the caller keeps its own ToolFailed then.
namespace SevenZipDiagnosis {

// Extracting, testing or listing. A refused password is PasswordNeeded when none was given and
// WrongPassword otherwise, naming the entry (empty when the names themselves are encrypted): 7z
// cannot tell a wrong password from damage inside encrypted data. Further: a link 7z refused as
// dangerous (UnsafeEntry), damaged data (DamagedEntry), an unknown method (UnsupportedMethod), an
// archive it cannot open (ReadFailed when the system refused, NotAnArchive otherwise), a file it
// cannot write (CreateFailed or DiskFull; paths below outputFolder are named below destination).
OperationResult reading(const QByteArray &errors, bool passwordGiven, const QString &archivePath,
                        const QString &outputFolder = QString(), const QString &destination = QString());

// Creating, with names relative to workingDirectory: an input that cannot be read (InputUnreadable,
// its absolute path), the archive that cannot be written (DiskFull or ArchiveNotWritten at
// archivePath).
OperationResult creation(const QByteArray &errors, const QString &workingDirectory,
                         const QString &archivePath);

} // namespace SevenZipDiagnosis
