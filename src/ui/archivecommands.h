#pragma once

#include "operationrequest.h"
#include "operationresult.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// An archive operation the user has asked for, ready to run.
struct PlannedOperation {
    OperationRequest request;
    // The progress dialog's title and headline.
    QString title;
    QString headline;
};

// The window's archive commands up to the moment they run: the dialogs each opens (save name,
// password for formats that can hold one, destination folder, the double-click question), the
// request they build, the rule that offers extraction, and the box that reports how an operation
// ended. Extraction asks no password up front: the operation asks when an archive needs one.
// GUI thread.
class ArchiveCommands : public QObject
{
    Q_OBJECT

public:
    // Dialogs are children of dialogParent.
    explicit ArchiveCommands(QWidget *dialogParent, QObject *parent = nullptr);

    // Legacy names in archives are read first as users of this interface language write them.
    void setInterfaceLanguage(const QString &languageCode);
    static LegacyNameLanguage legacyNameLanguageFor(const QString &languageCode);
    // True when any of the names is an archive the registry can extract.
    static bool offersExtraction(const QStringList &names);
    // The save dialog's filters: every archive first, then one per creatable format.
    static QStringList saveFilters();

    // Each returns nothing when the user gave up (or was told nothing is selected). An empty list or
    // path stands for an empty selection.
    std::optional<PlannedOperation> planCompression(const QStringList &inputs, const QString &folder);
    std::optional<PlannedOperation> planExtractTo(const QString &archivePath, const QString &folder);
    std::optional<PlannedOperation> planExtractHere(const QString &archivePath, const QString &folder);
    // A double-clicked archive: asks whether to extract it into the folder.
    std::optional<PlannedOperation> planOpen(const QString &archivePath, const QString &folder);

    // Operations on an opened archive take the password the user gave for it before (empty when
    // none); the operation still asks when that one does not fit.
    // Entries of an opened archive (a folder's name stands for everything under it): into a folder
    // the user picks, starting at folder, or straight into folder.
    std::optional<PlannedOperation> planExtractEntriesTo(const QString &archivePath,
                                                         const QStringList &entryNames, const QString &folder,
                                                         const QString &password);
    PlannedOperation planExtractEntriesHere(const QString &archivePath, const QStringList &entryNames,
                                            const QString &folder, const QString &password) const;
    // One entry into a fresh private folder, to be opened from there.
    PlannedOperation planEntryPreview(const QString &archivePath, const QString &entryName,
                                      const QString &folder, const QString &password) const;
    PlannedOperation planListing(const QString &archivePath, const QString &password = QString()) const;
    PlannedOperation planTest(const QString &archivePath, const QString &password = QString()) const;

    // Success, cancelled, or the failure's sentence.
    void reportOutcome(const OperationResult &result);
    // Intact, cancelled, or the first damaged entry and why.
    void reportTestOutcome(const OperationResult &result, const QString &archivePath);
    // Why an archive could not be opened for browsing.
    void reportListingFailure(const OperationResult &result, const QString &archivePath);

private:
    PlannedOperation extraction(const QString &archivePath, const QString &destination,
                                const QStringList &entryNames = {},
                                const QString &password = QString()) const;

    QWidget *dialogParent;
    LegacyNameLanguage nameLanguage = LegacyNameLanguage::SimplifiedChinese;
};
