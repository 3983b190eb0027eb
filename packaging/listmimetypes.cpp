// Prints the MIME type of every format the engine can open, one a line, in the registry's order.
// The build writes the launcher's, the AppStream file's and the file manager actions' type lists from
// it, so they follow the registry.

#include "archiveformat.h"

#include <cstdio>

int main()
{
    for (const QString &type : FormatRegistry::extractableMimeTypes())
        std::printf("%s\n", qPrintable(type));
    return 0;
}
