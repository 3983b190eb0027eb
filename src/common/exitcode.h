#pragma once

#include "operationresult.h"

// How kelvane-cli and the window program's batch commands end, one code per kind of outcome so scripts
// can tell them apart and read both programs alike. Both programs' help texts, the manual page and the
// README list the same codes.
enum class ExitCode : int {
    Success = 0,
    // The operation failed: damaged or unreadable archive, unreadable input, an existing item not
    // replaced, a disk error.
    Failure = 1,
    // The command line is wrong; nothing was done.
    BadUsage = 2,
    // An encrypted archive: no password was given, or the one given is wrong.
    PasswordProblem = 3,
    // Interrupted (Ctrl+C, SIGTERM) or cancelled at a question; nothing partial is left behind.
    Cancelled = 130,
};

ExitCode exitCodeFor(const OperationResult &result);
