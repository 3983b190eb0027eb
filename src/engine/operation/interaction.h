#pragma once

#include "userquestions.h"

// Whoever answers an operation's questions: the window (through ArchiveJob's signals), a terminal,
// or a test. Both calls come on the operation's own thread and block until answered.
class Interaction
{
public:
    virtual ~Interaction() = default;
    virtual PasswordAnswer askPassword(const PasswordQuestion &question) = 0;
    virtual ReplaceAnswer askReplace(const ReplaceQuestion &question) = 0;
};
