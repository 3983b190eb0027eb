#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class QProcess;

// The archive engine. compressFiles and extractArchive block and are meant to be called on a
// worker thread; signals are emitted on that calling thread. Failures return false and leave a
// translated text in lastError(). One operation at a time per handler; cancel() may be called
// from any thread while an operation runs.
class CompressionHandler : public QObject
{
    Q_OBJECT

public:
    explicit CompressionHandler(QObject *parent = nullptr);
    ~CompressionHandler() override;

    bool compressFiles(const QString &format, const QStringList &files, const QString &archivePath,
                       const QString &password);
    bool extractArchive(const QString &archivePath, const QString &destinationPath, const QString &password);
    QString lastError() const;

    // Thread-safe: asks the running operation to stop; it then returns false with "操作已取消".
    void cancel();

    // Call once at process start, before any thread runs: glibc would otherwise hand zlib's
    // per-entry state back to the kernel after every ZIP entry, costing seconds of page faults
    // over thousands of small files. Does nothing on other platforms.
    static void tuneAllocatorForArchiveWork();

signals:
    void progressChanged(int value);
    void operationCompleted(bool success);
    void currentFileChanged(QString filename);

private:
    void beginOperation();
    bool isCancelled() const;
    bool failCancelled();
    // Emits progressChanged only when the value moves forward, so progress never goes backwards.
    void reportProgress(int value);

    // ZIP through libzip
    bool createZipArchive(const QStringList &files, const QString &archivePath, const QString &password);
    bool extractZipArchive(const QString &archivePath, const QString &destinationPath,
                           const QString &password);

    // Formats made and unpacked by external programs
    bool createTarArchive(const QStringList &files, const QString &archivePath);
    bool create7zArchive(const QStringList &files, const QString &archivePath, const QString &password);
    bool extractTarArchive(const QString &archivePath, const QString &destinationPath);
    bool extract7zArchive(const QString &archivePath, const QString &destinationPath,
                          const QString &password);
    bool createCompressedTarArchive(const QString &compressor, const QStringList &files,
                                    const QString &archivePath);
    bool extractCompressedTarArchive(const QString &decompressor, const QString &archivePath,
                                     const QString &destinationPath);
    // tar's stream, through the compressor when one is named, into a temporary file that replaces
    // archivePath only when everything succeeded.
    bool runCompressProcess(const QString &compressor, const QStringList &files, const QString &archivePath);
    // The archive's bytes, through the decompressor when one is named, into tar unpacking into
    // destinationPath.
    bool runExtractProcess(const QString &decompressor, const QString &archivePath,
                           const QString &destinationPath);
    // 7z with -bsp1 progress; standardInput is written to it and the channel closed.
    bool runSevenZip(const QStringList &arguments, const QByteArray &standardInput);
    bool startTool(QProcess &tool, const QString &program, const QStringList &arguments);
    // False, with every tool stopped and the last-error text set, once the operation is cancelled
    // or one of the tools has failed.
    bool toolsHealthy(const QList<QProcess *> &tools);
    // Waits for the tools in order, calling afterEachWait once per tick.
    bool waitForTools(const QList<QProcess *> &tools, const std::function<void()> &afterEachWait);

    QString lastErrorText;
    std::atomic_bool cancelRequested{false};
    int lastReportedProgress = -1;
};
