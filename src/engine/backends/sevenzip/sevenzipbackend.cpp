#include "sevenzipbackend.h"

// PLACEHOLDER until the backend is moved onto the new interface.
OperationResult SevenZipBackend::create(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult SevenZipBackend::extract(OperationContext &, ExtractionTarget &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult SevenZipBackend::list(OperationContext &, ArchiveEntryList *) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult SevenZipBackend::test(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
