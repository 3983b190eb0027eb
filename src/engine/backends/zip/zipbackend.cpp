#include "zipbackend.h"

// PLACEHOLDER until the backend is moved onto the new interface.
OperationResult ZipBackend::create(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult ZipBackend::extract(OperationContext &, ExtractionTarget &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult ZipBackend::list(OperationContext &, ArchiveEntryList *) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult ZipBackend::test(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
