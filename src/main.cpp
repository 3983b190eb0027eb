#include "compressionhandler.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QApplication app(argc, argv);

    MainWindow window;
    window.show();
    return app.exec();
}
