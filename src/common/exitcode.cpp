#include "exitcode.h"

ExitCode exitCodeFor(const OperationResult &result)
{
    switch (result.code) {
    case ResultCode::Success:
        return ExitCode::Success;
    case ResultCode::Cancelled:
        return ExitCode::Cancelled;
    case ResultCode::PasswordNeeded:
    case ResultCode::WrongPassword:
        return ExitCode::PasswordProblem;
    default:
        return ExitCode::Failure;
    }
}
