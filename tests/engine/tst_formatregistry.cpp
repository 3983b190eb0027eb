#include "archiveformat.h"

#include <QTest>

class TestFormatRegistry : public QObject
{
    Q_OBJECT

private slots:
    void formatForFileName_data();
    void formatForFileName();
    void creationNameForFileName_data();
    void creationNameForFileName();
    void everyRowIsConsistent();
    void patternsFollowTheTable();
};

void TestFormatRegistry::formatForFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<ArchiveFormat>("format");

    QTest::newRow("zip") << "a.zip" << ArchiveFormat::Zip;
    QTest::newRow("upper case") << "Backup.ZIP" << ArchiveFormat::Zip;
    QTest::newRow("tar.gz before gz") << "a.tar.gz" << ArchiveFormat::TarGzip;
    QTest::newRow("tgz") << "a.tgz" << ArchiveFormat::TarGzip;
    QTest::newRow("TAR.BZ2") << "A.TAR.BZ2" << ArchiveFormat::TarBzip2;
    QTest::newRow("tbz2") << "a.tbz2" << ArchiveFormat::TarBzip2;
    QTest::newRow("txz") << "a.txz" << ArchiveFormat::TarXz;
    QTest::newRow("tar.zst") << "a.tar.zst" << ArchiveFormat::TarZstd;
    QTest::newRow("tzst") << "a.tzst" << ArchiveFormat::TarZstd;
    QTest::newRow("plain gz") << "notes.txt.gz" << ArchiveFormat::Gzip;
    QTest::newRow("plain bz2") << "data.bz2" << ArchiveFormat::Bzip2;
    QTest::newRow("plain xz") << "log.xz" << ArchiveFormat::Xz;
    QTest::newRow("plain zst") << "trace.zst" << ArchiveFormat::Zstd;
    QTest::newRow("7z") << "a.7z" << ArchiveFormat::SevenZip;
    QTest::newRow("rar") << "a.rar" << ArchiveFormat::Rar;
    QTest::newRow("RAR") << "A.RAR" << ArchiveFormat::Rar;
    QTest::newRow("iso") << "disc.iso" << ArchiveFormat::Iso;
    QTest::newRow("cpio") << "initrd.cpio" << ArchiveFormat::Cpio;
    QTest::newRow("ar") << "a.ar" << ArchiveFormat::Ar;
    QTest::newRow("static library is no archive to open") << "libm.a" << ArchiveFormat::Unknown;
    QTest::newRow("deb") << "pkg_1.0_all.deb" << ArchiveFormat::Deb;
    QTest::newRow("cab") << "a.cab" << ArchiveFormat::Cab;
    QTest::newRow("lha") << "a.lha" << ArchiveFormat::Lha;
    QTest::newRow("lzh") << "a.LZH" << ArchiveFormat::Lha;
    QTest::newRow("xar") << "a.xar" << ArchiveFormat::Xar;
    QTest::newRow("tar.lz4") << "a.tar.lz4" << ArchiveFormat::TarLz4;
    QTest::newRow("tar.lzma") << "a.tar.lzma" << ArchiveFormat::TarLzma;
    QTest::newRow("tlz is tar.lzma") << "a.tlz" << ArchiveFormat::TarLzma;
    QTest::newRow("tar.lz") << "a.tar.lz" << ArchiveFormat::TarLzip;
    QTest::newRow("folders do not count") << "/x.zip/notes.txt" << ArchiveFormat::Unknown;
    QTest::newRow("only the suffix") << "zip" << ArchiveFormat::Unknown;
    QTest::newRow("hidden name without suffix") << ".zip" << ArchiveFormat::Unknown;
    QTest::newRow("no suffix") << "archive" << ArchiveFormat::Unknown;
    QTest::newRow("trailing dot") << "archive." << ArchiveFormat::Unknown;
    QTest::newRow("suffix inside the name") << "a.zip.txt" << ArchiveFormat::Unknown;
}

void TestFormatRegistry::formatForFileName()
{
    QFETCH(QString, fileName);
    QFETCH(ArchiveFormat, format);
    QCOMPARE(FormatRegistry::formatForFileName(fileName), format);
}

void TestFormatRegistry::creationNameForFileName_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("creationName");
    QTest::addColumn<bool>("canCreate");

    QTest::newRow("zip") << "/d/backup.zip"
                         << "ZIP" << true;
    QTest::newRow("7z") << "backup.7z"
                        << "7Z" << true;
    QTest::newRow("TAR in capitals") << "backup.TAR"
                                     << "TAR" << true;
    QTest::newRow("gz makes a tar.gz") << "backup.gz"
                                       << "GZIP" << true;
    QTest::newRow("tar.gz") << "backup.tar.gz"
                            << "GZIP" << true;
    QTest::newRow("BACKUP.GZ") << "BACKUP.GZ"
                               << "GZIP" << true;
    QTest::newRow("tgz") << "backup.tgz"
                         << "GZIP" << true;
    QTest::newRow("bz2") << "backup.bz2"
                         << "BZIP2" << true;
    QTest::newRow("tbz2") << "backup.tbz2"
                          << "BZIP2" << true;
    QTest::newRow("xz") << "backup.xz"
                        << "XZ" << true;
    QTest::newRow("txz") << "backup.txz"
                         << "XZ" << true;
    QTest::newRow("zst makes a tar.zst") << "backup.zst"
                                         << "ZSTD" << true;
    QTest::newRow("tzst") << "backup.tzst"
                          << "ZSTD" << true;
    QTest::newRow("unknown suffix passed on upper-cased") << "backup.rar"
                                                          << "RAR" << false;
    QTest::newRow("read-only format") << "backup.iso"
                                      << "ISO" << false;
    QTest::newRow("no suffix") << "backup"
                               << "" << false;
}

void TestFormatRegistry::creationNameForFileName()
{
    QFETCH(QString, fileName);
    QFETCH(QString, creationName);
    QFETCH(bool, canCreate);
    QCOMPARE(FormatRegistry::creationNameForFileName(fileName), creationName);
    QCOMPARE(FormatRegistry::canCreate(fileName), canCreate);
    const ArchiveFormat created = FormatRegistry::formatForCreationName(creationName);
    QCOMPARE(created != ArchiveFormat::Unknown, canCreate);
    if (canCreate)
        QVERIFY(FormatRegistry::info(created).canCreate);
}

void TestFormatRegistry::everyRowIsConsistent()
{
    QList<QString> creationNames;
    for (const FormatInfo &info : FormatRegistry::formats()) {
        const QString row = QString::number(int(info.format));
        QVERIFY2(info.format != ArchiveFormat::Unknown, qPrintable(row));
        QVERIFY2(info.backend != BackendKind::None, qPrintable(row));
        QVERIFY2(!info.suffixes.isEmpty(), qPrintable(row));
        QVERIFY2(!info.mimeType.isEmpty(), qPrintable(row));
        QVERIFY2(info.canCreate || info.canExtract, qPrintable(row));
        // A format that is offered must name itself for creation, and only once.
        if (info.canCreate) {
            QVERIFY2(!info.creationName.isEmpty(), qPrintable(row));
            QVERIFY2(!creationNames.contains(info.creationName), qPrintable(row));
            creationNames.append(info.creationName);
        }
        // Each suffix leads back to its own row.
        for (const QLatin1String &suffix : info.suffixes) {
            QCOMPARE(suffix, QLatin1String(QString(suffix).toLower().toLatin1()));
            QCOMPARE(FormatRegistry::formatForFileName(QLatin1String("a.") + suffix), info.format);
        }
        QCOMPARE(&FormatRegistry::info(info.format), &info);
    }
}

void TestFormatRegistry::patternsFollowTheTable()
{
    const QStringList creatable = FormatRegistry::creatablePatterns();
    const QStringList extractable = FormatRegistry::extractablePatterns();
    for (const FormatInfo &info : FormatRegistry::formats()) {
        for (const QLatin1String &suffix : info.suffixes) {
            const QString pattern = QLatin1String("*.") + suffix;
            QCOMPARE(creatable.contains(pattern), info.canCreate);
            QCOMPARE(extractable.contains(pattern), info.canExtract);
        }
        if (info.canExtract)
            QVERIFY(FormatRegistry::extractableMimeTypes().contains(info.mimeType));
    }
    QCOMPARE(QStringList(creatable).removeDuplicates(), 0);
    QCOMPARE(QStringList(extractable).removeDuplicates(), 0);
}

QTEST_GUILESS_MAIN(TestFormatRegistry)
#include "tst_formatregistry.moc"
