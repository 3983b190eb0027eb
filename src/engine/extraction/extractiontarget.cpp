#include "extractiontarget.h"

// PLACEHOLDER: the pipeline is being built; every call refuses.
class ExtractionTarget::Private
{
};

ExtractionTarget::ExtractionTarget(OperationContext &, const QString &) : d(new Private) {}
ExtractionTarget::~ExtractionTarget() = default;
OperationResult ExtractionTarget::open() { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
QString ExtractionTarget::destinationPath() const { return QString(); }
void ExtractionTarget::setSelection(const QStringList &) {}
bool ExtractionTarget::isSelected(const QString &) const { return true; }
QStringList ExtractionTarget::unmatchedSelection() const { return {}; }
OperationResult ExtractionTarget::checkEntryName(const QString &, QString *) { return OperationResult::failure(ResultCode::UnsafeEntry); }
QString ExtractionTarget::stagingPath() const { return QString(); }
OperationResult ExtractionTarget::adoptStagedTree() { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
OperationResult ExtractionTarget::createFolder(const QString &, const EntryMetadata &) { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
OperationResult ExtractionTarget::createFile(const QString &, const EntryMetadata &, std::unique_ptr<StagedFile> *) { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
OperationResult ExtractionTarget::addLink(const QString &, const QByteArray &) { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
OperationResult ExtractionTarget::finishStaging() { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
OperationResult ExtractionTarget::commit() { return OperationResult::failure(ResultCode::TemporaryFileFailed); }
