#include "compressionhandler.h"
#include "mainwindow.h"

#include <QApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    QApplication app(argc, argv);

    QFile styleSheet(QStringLiteral(":/qss/default.css"));
    if (styleSheet.open(QIODevice::ReadOnly | QIODevice::Text)) {
        app.setStyleSheet(QString::fromUtf8(styleSheet.readAll()));
        styleSheet.close();
    }

    MainWindow window;
    window.show();
    return app.exec();
}
