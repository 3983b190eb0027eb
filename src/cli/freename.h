#pragma once

#include <QString>

// The first name beside an existing file that nothing takes yet: "backup (2).tar.gz",
// "backup (3).tar.gz", ... The archive ending the format registry knows stays whole.
class FreeName
{
public:
    static QString next(const QString &path);
};
