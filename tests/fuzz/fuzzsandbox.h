#pragma once

#include "archiveentry.h"
#include "operationrequest.h"
#include "operationresult.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// The sandbox-escape oracle every fuzz target shares: a private folder holding the input archive, a
// destination three folders deep (the working folder is its parent, so climbing names and relative
// writes land inside the watched area), and bait beside it: a file and a folder with a file. After
// each input, nothing outside the destination may have appeared, vanished or changed (kind, bytes,
// mode, time, link target), the file system root keeps its names, an extraction leaves no staging
// folder behind, and a failed one leaves no destination. Any breach aborts the run like a crash.
// One per process, set up in LLVMFuzzerInitialize.
class FuzzSandbox
{
public:
    // archiveName: the input's file name, whose suffix picks the route ("input.zip").
    explicit FuzzSandbox(const QString &archiveName);

    // Writes the input as the archive.
    void writeInput(const uint8_t *data, size_t size);
    // Extracts the archive through the whole pipeline and checks the outcome.
    OperationResult extract(LegacyNameLanguage language = LegacyNameLanguage::SimplifiedChinese);
    // Lists or tests the archive; both must write nothing.
    OperationResult list(ArchiveEntryList *entries = nullptr);
    OperationResult test();
    // Checks the oracle and empties the destination for the next input.
    void checkAndReset();

    QString archivePath() const { return archive; }

    [[noreturn]] static void breach(const char *what, const QString &detail);
    // Qt's warnings would drown libFuzzer's own output.
    static void silenceMessages();

private:
    using State = QMap<QString, QByteArray>;
    State outsideState() const;
    OperationResult runJob(const OperationRequest &request, ArchiveEntryList *entries = nullptr);

    QTemporaryDir folder;
    QString root;
    QString archive;
    QString destinationParent;
    QString destination;
    State baseline;
    QByteArray rootNames;
};

// libFuzzer's own arguments, for the QCoreApplication a target needs.
void fuzzCoreApplication(const char *name);
