#include "resultmessage.h"

#include <QTest>

class TestResultMessage : public QObject
{
    Q_OBJECT

private slots:
    void sentences_data();
    void sentences();
    void everyFailureHasASentence();
};

void TestResultMessage::sentences_data()
{
    QTest::addColumn<OperationResult>("result");
    QTest::addColumn<QString>("sentence");

    const auto make = [](ResultCode code, ArchiveFormat format, const QString &entry, const QString &path,
                         const QString &detail) {
        OperationResult result = OperationResult::failure(code, entry, path, detail);
        result.format = format;
        return result;
    };
    QTest::newRow("success says nothing") << OperationResult::success() << QString();
    QTest::newRow("cancelled") << make(ResultCode::Cancelled, ArchiveFormat::Zip, {}, {}, {}) << "操作已取消";
    QTest::newRow("unsupported names what was given")
        << make(ResultCode::UnsupportedFormat, ArchiveFormat::Unknown, {}, {}, "rar")
        << "压缩格式 rar 暂不支持";
    // libzip's reason, never its number.
    QTest::newRow("zip not an archive")
        << make(ResultCode::NotAnArchive, ArchiveFormat::Zip, {}, "/a.zip", "Not a zip archive")
        << "打开ZIP压缩包失败: Not a zip archive";
    QTest::newRow("tar not an archive")
        << make(ResultCode::NotAnArchive, ArchiveFormat::TarGzip, {}, "/a.tgz", "gzip: not in gzip format")
        << "无法识别压缩包，或压缩包已损坏: /a.tgz";
    QTest::newRow("zip not written") << make(ResultCode::ArchiveNotWritten, ArchiveFormat::Zip, {}, "/a.zip",
                                             "Write error")
                                     << "关闭ZIP压缩包失败: Write error";
    QTest::newRow("7z not written") << make(ResultCode::ArchiveNotWritten, ArchiveFormat::SevenZip, {},
                                            "/a.7z", "x")
                                    << "写入文件失败: /a.7z";
    QTest::newRow("damaged entry") << make(ResultCode::DamagedEntry, ArchiveFormat::Zip, "big.txt", {},
                                           "CRC error")
                                   << "读取压缩包中的文件失败: big.txt";
    QTest::newRow("wrong password for an entry")
        << make(ResultCode::WrongPassword, ArchiveFormat::Zip, "secret.txt", {}, {})
        << "密码错误，无法解开: secret.txt";
    QTest::newRow("wrong password for encrypted names")
        << make(ResultCode::WrongPassword, ArchiveFormat::SevenZip, {}, {}, {}) << "密码错误";
    QTest::newRow("tool missing") << make(ResultCode::ToolMissing, ArchiveFormat::SevenZip, {}, "7z", {})
                                  << "启动 7z 进程失败。请确保已安装 7z 并在PATH环境变量中。";
    QTest::newRow("tool not started with its reason")
        << make(ResultCode::ToolNotStarted, ArchiveFormat::Tar, {}, "tar", "Permission denied")
        << "启动 tar 进程失败: Permission denied";
    QTest::newRow("tool failed") << make(ResultCode::ToolFailed, ArchiveFormat::Tar, {}, "tar", "tar: boom")
                                 << "tar 进程失败: tar: boom";
    QTest::newRow("disk full") << make(ResultCode::DiskFull, ArchiveFormat::Zip, {}, "/d/x", "No space left")
                               << "磁盘空间不足，无法写入: /d/x";
}

void TestResultMessage::sentences()
{
    QFETCH(OperationResult, result);
    QFETCH(QString, sentence);
    QCOMPARE(ResultMessage::text(result), sentence);
}

void TestResultMessage::everyFailureHasASentence()
{
    for (int code = int(ResultCode::Cancelled); code <= int(ResultCode::ToolFailed); ++code) {
        const OperationResult result = OperationResult::failure(
            ResultCode(code), QStringLiteral("entry"), QStringLiteral("/path"), QStringLiteral("detail"));
        const QString text = ResultMessage::text(result);
        QVERIFY2(!text.isEmpty(), qPrintable(QString::number(code)));
        QVERIFY2(!text.contains(QLatin1Char('%')), qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestResultMessage)
#include "tst_resultmessage.moc"
