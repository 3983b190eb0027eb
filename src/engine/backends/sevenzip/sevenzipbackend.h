#pragma once

#include "archivebackend.h"

#include <QString>

#include <functional>

class SevenZipRun;

// 7z archives through the 7z program. The password only ever travels on 7z's standard input.
//
// Creation writes into a private folder beside the target and renames over it only once complete;
// the selection is named in runs that fit the command line, each adding to that private archive.
// Reading never asks for a password unless 7z refuses the one it was given (none at first): then
// the context asks again, as often as the user wants.
class SevenZipBackend : public ArchiveBackend
{
public:
    // type: what 7z reads the archive as ("7z"; "zip" for ZIP archives libzip refuses).
    explicit SevenZipBackend(const QString &type = QStringLiteral("7z")) : archiveType(type) {}

    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;

private:
    // Runs the reading command built for currentPassword (empty: none) until 7z accepts it, a
    // failure other than a refused password ends it, or nobody gives another one. beforeRetry undoes
    // what a refused attempt left.
    OperationResult readWithPassword(OperationContext &context, SevenZipRun &run,
                                     const std::function<QStringList(bool withPassword)> &arguments,
                                     const QString &outputFolder = QString(),
                                     const QString &destination = QString(),
                                     const std::function<void()> &beforeRetry = {});

    QString archiveType;
    // The request's password, then each one the user gives; after a read succeeded, the one 7z took.
    QString currentPassword;
};
