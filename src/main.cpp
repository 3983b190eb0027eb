#include "mainwindow.h"

#include <QApplication>
#include <QFile>

#ifdef Q_OS_LINUX
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_LINUX
    // glibc would hand zlib's per-entry state back to the kernel after every ZIP entry; keeping it
    // saves seconds of page faults over thousands of small files.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
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
