// The source ZIP archives are read through: any mix of seeks and reads, small ones out of its window
// and large ones past it, gives the file's bytes; errors are those zip_open gives.

#include "testtree.h"
#include "zipreadsource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

class TestZipReadSource : public QObject
{
    Q_OBJECT

private slots:
    void readsTheFileBytes();
    void opensAsZipOpenDoes_data();
    void opensAsZipOpenDoes();
};

void TestZipReadSource::readsTheFileBytes()
{
    QTemporaryDir dir;
    const QByteArray content = TestTree::randomBytes(1300 * 1024);
    QVERIFY(TestTree::writeFile(dir.filePath("data"), content));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = ZipReadSource::create(dir.filePath("data"), &error);
    QVERIFY(source);
    QCOMPARE(zip_source_open(source), 0);

    QRandomGenerator random(42);
    QByteArray buffer(700 * 1024, Qt::Uninitialized);
    for (int i = 0; i < 3000; ++i) {
        // Mostly small reads near each other, as libzip reads local headers; now and then one
        // larger than the window, or running past the end.
        const qint64 offset = random.bounded(content.size() + 10);
        const qint64 length = i % 50 == 0 ? random.bounded(300 * 1024, 700 * 1024) : random.bounded(1, 4096);
        QCOMPARE(zip_source_seek(source, offset, SEEK_SET), 0);
        QCOMPARE(zip_source_tell(source), offset);
        qint64 got = 0;
        while (got < length) {
            const zip_int64_t read = zip_source_read(source, buffer.data() + got, zip_uint64_t(length - got));
            QVERIFY(read >= 0);
            if (read == 0)
                break;
            got += read;
        }
        QCOMPARE(got, std::max<qint64>(0, std::min<qint64>(length, content.size() - offset)));
        if (buffer.left(got) != content.mid(offset, got))
            QFAIL(qPrintable(QStringLiteral("bytes differ reading %1 at %2").arg(length).arg(offset)));
        QCOMPARE(zip_source_tell(source), offset + got);
    }
    QCOMPARE(zip_source_seek(source, -10, SEEK_END), 0);
    QCOMPARE(zip_source_read(source, buffer.data(), 100), zip_int64_t(10));
    QCOMPARE(zip_source_close(source), 0);
    zip_source_free(source);
    zip_error_fini(&error);
}

void TestZipReadSource::opensAsZipOpenDoes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("missing") << "missing.zip" << QByteArray();
    QTest::newRow("empty file") << "empty.zip" << QByteArray("");
    QTest::newRow("not an archive") << "text.zip" << QByteArray("plain text, not an archive");
}

// Whatever libzip's own file source says about a file that is not an archive, this one says too.
void TestZipReadSource::opensAsZipOpenDoes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (!content.isNull())
        QVERIFY(TestTree::writeFile(path, content));

    int expected = ZIP_ER_OK;
    zip_t *byLibzip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &expected);
    QVERIFY(!byLibzip);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = ZipReadSource::create(path, &error);
    if (source) {
        QVERIFY(!zip_open_from_source(source, ZIP_RDONLY, &error));
        zip_source_free(source);
    }
    QCOMPARE(zip_error_code_zip(&error), expected);
    zip_error_fini(&error);
}

QTEST_GUILESS_MAIN(TestZipReadSource)
#include "tst_zipreadsource.moc"
