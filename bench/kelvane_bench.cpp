// Runs one archive operation through the engine, in-process, so benchmarks time exactly what the
// window's background task does.
//   kelvane_bench compress <FORMAT> <archive> <path>... [--password <text>]
//   kelvane_bench extract <archive> <destination> [--password <text>]
//   kelvane_bench extract-entries <archive> <destination> <entry>... [--password <text>]
//   kelvane_bench list <archive> [--password <text>]    prints the entry count and the time taken
//   kelvane_bench test <archive> [--password <text>]    prints the time taken

#include "archivejob.h"
#include "compressionhandler.h"
#include "resultmessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

// Lists or tests in-process, timing only the operation itself.
int runJob(const OperationRequest &request, QTextStream &out, QTextStream &err)
{
    ArchiveJob job(request);
    QElapsedTimer timer;
    timer.start();
    const OperationResult result = job.run();
    const qint64 elapsed = timer.nsecsElapsed();
    if (!result.succeeded()) {
        err << ResultMessage::text(result) << '\n';
        return 1;
    }
    if (request.kind == OperationKind::List)
        out << job.entries().size() << " entries, ";
    out << QString::number(double(elapsed) / 1e6, 'f', 1) << " ms\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString password;
    const int passwordAt = arguments.indexOf(QStringLiteral("--password"));
    if (passwordAt >= 0 && passwordAt + 1 < arguments.size()) {
        password = arguments.at(passwordAt + 1);
        arguments.remove(passwordAt, 2);
    }

    if (arguments.size() == 2 && arguments.at(0) == QLatin1String("list"))
        return runJob(OperationRequest::list(arguments.at(1), password), out, err);
    if (arguments.size() == 2 && arguments.at(0) == QLatin1String("test"))
        return runJob(OperationRequest::test(arguments.at(1), password), out, err);

    CompressionHandler handler;
    bool ok = false;
    if (arguments.size() >= 4 && arguments.at(0) == QLatin1String("compress")) {
        ok = handler.compressFiles(arguments.at(1), arguments.mid(3), arguments.at(2), password);
    } else if (arguments.size() == 3 && arguments.at(0) == QLatin1String("extract")) {
        ok = handler.extractArchive(arguments.at(1), arguments.at(2), password);
    } else if (arguments.size() >= 4 && arguments.at(0) == QLatin1String("extract-entries")) {
        ok = handler.extractEntries(arguments.at(1), arguments.mid(3), arguments.at(2), password);
    } else {
        err << "usage: kelvane_bench compress <FORMAT> <archive> <path>... [--password <text>]\n"
               "       kelvane_bench extract <archive> <destination> [--password <text>]\n"
               "       kelvane_bench extract-entries <archive> <destination> <entry>... [--password <text>]\n"
               "       kelvane_bench list <archive> [--password <text>]\n"
               "       kelvane_bench test <archive> [--password <text>]\n";
        return 2;
    }
    if (!ok) {
        err << handler.lastError() << '\n';
        return 1;
    }
    return 0;
}
