// Runs one archive operation through the engine, in-process, so benchmarks time exactly what the
// window's background task does.
//   kelvane_bench compress <FORMAT> <archive> <path>... [--password <text>]
//   kelvane_bench extract <archive> <destination> [--password <text>]

#include "compressionhandler.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QTextStream err(stderr);

    QString password;
    const int passwordAt = arguments.indexOf(QStringLiteral("--password"));
    if (passwordAt >= 0 && passwordAt + 1 < arguments.size()) {
        password = arguments.at(passwordAt + 1);
        arguments.remove(passwordAt, 2);
    }

    CompressionHandler handler;
    bool ok = false;
    if (arguments.size() >= 4 && arguments.at(0) == QLatin1String("compress")) {
        ok = handler.compressFiles(arguments.at(1), arguments.mid(3), arguments.at(2), password);
    } else if (arguments.size() == 3 && arguments.at(0) == QLatin1String("extract")) {
        ok = handler.extractArchive(arguments.at(1), arguments.at(2), password);
    } else {
        err << "usage: kelvane_bench compress <FORMAT> <archive> <path>... [--password <text>]\n"
               "       kelvane_bench extract <archive> <destination> [--password <text>]\n";
        return 2;
    }
    if (!ok) {
        err << handler.lastError() << '\n';
        return 1;
    }
    return 0;
}
