#include "compressionhandler.h"
#include "programstart.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QApplication app(argc, argv);
    return ProgramStart::run(QCoreApplication::arguments());
}
