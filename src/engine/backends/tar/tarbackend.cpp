#include "tarbackend.h"

// PLACEHOLDER until the backend is moved onto the new interface.
OperationResult TarBackend::create(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult TarBackend::extract(OperationContext &, ExtractionTarget &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult TarBackend::list(OperationContext &, ArchiveEntryList *) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
OperationResult TarBackend::test(OperationContext &) { return OperationResult::failure(ResultCode::UnsupportedFormat); }
