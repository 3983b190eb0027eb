// Every text the program can show must ship translated: the sources are scanned afresh with
// lupdate and each text is looked up in the committed and in the compiled catalogues.
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

struct CatalogueEntry {
    QString translation;
    bool finished = false;
};

// (context, source text) -> entry
using Catalogue = QHash<std::pair<QString, QString>, CatalogueEntry>;

bool readCatalogue(const QString &path, Catalogue &catalogue, QString &language)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    CatalogueEntry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"TS") {
            language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            source.clear();
            entry = CatalogueEntry();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const QStringView type = xml.attributes().value(QLatin1String("type"));
            entry.finished = type.isEmpty();
            entry.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            catalogue.insert({context, source}, entry);
        }
    }
    return !xml.hasError();
}

QSet<QString> placeholders(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    QSet<QString> found;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
        found.insert(match.captured());
    return found;
}

bool containsHan(const QString &text)
{
    for (const QChar character : text) {
        if (character.script() == QChar::Script_Han)
            return true;
    }
    return false;
}

// Simplified forms whose Traditional forms differ; none belongs in the Traditional catalogue.
const QString simplifiedOnly = QStringLiteral(
    "压缩选删设开获创败这无为当录键码输请确认简态启应驱节网访权团队发关闭读写进环变显隐项类据错误径载时间数"
    "题执报层档还么计处对话务储换检测须称级单个夹脑择统试页复绝实现电体积让轻顺广换临暂径标详");

// Source wording and the Taiwan wording that must replace it.
const QList<std::pair<QString, QString>> taiwanWording{
    {QStringLiteral("文件夹"), QStringLiteral("資料夾")},
    {QStringLiteral("压缩包"), QStringLiteral("壓縮檔")},
    {QStringLiteral("文件名"), QStringLiteral("檔案名稱")},
    {QStringLiteral("临时文件"), QStringLiteral("暫存檔案")},
    {QStringLiteral("创建"), QStringLiteral("建立")},
    {QStringLiteral("打开"), QStringLiteral("開啟")},
    {QStringLiteral("获取"), QStringLiteral("取得")},
    {QStringLiteral("支持"), QStringLiteral("支援")},
    {QStringLiteral("环境变量"), QStringLiteral("環境變數")},
    {QStringLiteral("搜索"), QStringLiteral("搜尋")},
    {QStringLiteral("刷新"), QStringLiteral("重新整理")},
    {QStringLiteral("当前"), QStringLiteral("目前")},
    {QStringLiteral("加载"), QStringLiteral("載入")},
    {QStringLiteral("设置"), QStringLiteral("設定")},
    {QStringLiteral("保存"), QStringLiteral("儲存")},
    {QStringLiteral("重置"), QStringLiteral("重設")},
    {QStringLiteral("默认"), QStringLiteral("預設")},
    {QStringLiteral("程序"), QStringLiteral("程式")},
    {QStringLiteral("更改"), QStringLiteral("變更")},
    {QStringLiteral("驱动器"), QStringLiteral("磁碟機")},
    {QStringLiteral("字节"), QStringLiteral("位元組")},
};

// The language entries of the menu name each language in its own script in every catalogue.
const QSet<QString> ownScriptNames{QStringLiteral("简体中文"), QStringLiteral("繁體中文")};

// Every class of ours, and every context a class borrows with Q_DECLARE_TR_FUNCTIONS: a tr() that
// lupdate placed anywhere else would be a text no catalogue entry is looked up under.
QSet<QString> classContexts()
{
    QSet<QString> contexts;
    static const QRegularExpression declaration(
        QStringLiteral(R"((?:^class\s+(\w+)\b[^;]*$|Q_DECLARE_TR_FUNCTIONS\((\w+)\)))"),
        QRegularExpression::MultilineOption);
    QDirIterator it(QStringLiteral(KELVANE_SOURCE_DIR), {QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile header(it.next());
        if (!header.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(header.readAll());
        for (const QRegularExpressionMatch &match : declaration.globalMatch(text))
            contexts.insert(match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
    }
    return contexts;
}

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textsUseTheClassContexts();
    void everyTextIsTranslated_data();
    void everyTextIsTranslated();
    void sourceLanguageCatalogueHoldsNoMessages();
    void missingDestinationIsAFolderInEnglish();
    void compiledCataloguesNameTheirLanguage_data();
    void compiledCataloguesNameTheirLanguage();

private:
    QTemporaryDir scratch;
    Catalogue scanned;
    QHash<QString, Catalogue> committed;
};

void TestCatalogues::initTestCase()
{
    QVERIFY(scratch.isValid());
    const QString scanPath = scratch.filePath(QStringLiteral("scan.ts"));
    QProcess lupdate;
    lupdate.start(QStringLiteral(KELVANE_LUPDATE),
                  {QStringLiteral(KELVANE_SOURCE_DIR), QStringLiteral("-extensions"),
                   QStringLiteral("cpp,h,ui"), QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                   QStringLiteral("none"), QStringLiteral("-silent"), QStringLiteral("-ts"), scanPath});
    QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
    QCOMPARE(lupdate.exitCode(), 0);
    // A tr() lupdate cannot place would give a text that no catalogue entry can ever match.
    const QString diagnostics = QString::fromLocal8Bit(lupdate.readAllStandardError());
    QVERIFY2(!diagnostics.contains(QStringLiteral("Cannot invoke tr()")), qPrintable(diagnostics));

    QString language;
    QVERIFY(readCatalogue(scanPath, scanned, language));
    QVERIFY(!scanned.isEmpty());

    for (const QString &code : {QStringLiteral("en_US"), QStringLiteral("zh_TW")}) {
        Catalogue catalogue;
        const QString path = QStringLiteral(KELVANE_TRANSLATIONS_DIR "/lang_%1.ts").arg(code);
        QVERIFY2(readCatalogue(path, catalogue, language), qPrintable(path));
        QCOMPARE(language, code);
        committed.insert(code, catalogue);
    }
}

void TestCatalogues::textsUseTheClassContexts()
{
    const QSet<QString> knownContexts = classContexts();
    QVERIFY(knownContexts.contains(QStringLiteral("MainWindow")));
    for (auto it = scanned.cbegin(); it != scanned.cend(); ++it)
        QVERIFY2(knownContexts.contains(it.key().first),
                 qPrintable(QStringLiteral("%1: %2").arg(it.key().first, it.key().second)));
}

void TestCatalogues::everyTextIsTranslated_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QList<std::pair<QString, QString>> texts = scanned.keys();
    std::sort(texts.begin(), texts.end());
    for (const QString &code : {QStringLiteral("en_US"), QStringLiteral("zh_TW")}) {
        for (const auto &[context, source] : texts) {
            const QString row = QStringLiteral("%1 %2 %3").arg(code, context, source);
            QTest::newRow(qPrintable(row)) << code << context << source;
        }
    }
}

void TestCatalogues::everyTextIsTranslated()
{
    QFETCH(QString, language);
    QFETCH(QString, context);
    QFETCH(QString, source);

    const Catalogue &catalogue = committed.value(language);
    const auto entry = catalogue.constFind({context, source});
    QVERIFY2(entry != catalogue.cend(), "no entry in the committed catalogue");
    QVERIFY2(entry->finished, "entry not finished");
    const QString translation = entry->translation;
    QVERIFY(!translation.isEmpty());

    // What ships is the compiled catalogue in the resource tree, not the .ts file.
    QTranslator compiled;
    QVERIFY(compiled.load(QStringLiteral(":/translations/lang_%1.qm").arg(language)));
    QCOMPARE(compiled.translate(context.toUtf8().constData(), source.toUtf8().constData()), translation);

    QCOMPARE(placeholders(translation), placeholders(source));

    if (ownScriptNames.contains(source)) {
        QCOMPARE(translation, source);
        return;
    }
    if (language == QLatin1String("en_US")) {
        QVERIFY2(!containsHan(translation), qPrintable(translation));
        return;
    }
    for (const QChar character : translation)
        QVERIFY2(!simplifiedOnly.contains(character), qPrintable(translation));
    for (const auto &[sourceWord, taiwanWord] : taiwanWording) {
        if (source.contains(sourceWord))
            QVERIFY2(translation.contains(taiwanWord),
                     qPrintable(taiwanWord + QStringLiteral(": ") + translation));
    }
}

void TestCatalogues::sourceLanguageCatalogueHoldsNoMessages()
{
    const QString path = QStringLiteral(":/translations/lang_zh_CN.qm");
    QVERIFY(QFile::exists(path));
    QTranslator compiled;
    // A catalogue without messages may be refused by the loader; if it loads, it must be empty.
    if (compiled.load(path)) {
        QVERIFY(compiled.isEmpty());
        QCOMPARE(compiled.language(), QStringLiteral("zh_CN"));
    }
    for (auto it = scanned.cbegin(); it != scanned.cend(); ++it)
        QVERIFY(compiled.translate(it.key().first.toUtf8().constData(), it.key().second.toUtf8().constData())
                    .isEmpty());
}

// Users pick a destination folder in the dialogs; the failure names it the same way.
void TestCatalogues::missingDestinationIsAFolderInEnglish()
{
    QTranslator compiled;
    QVERIFY(compiled.load(QStringLiteral(":/translations/lang_en_US.qm")));
    QCOMPARE(compiled.translate("CompressionHandler", "未指定解压目标目录"),
             QStringLiteral("No extraction destination folder specified"));
}

void TestCatalogues::compiledCataloguesNameTheirLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("en_US") << QStringLiteral("en_US");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW");
}

void TestCatalogues::compiledCataloguesNameTheirLanguage()
{
    QFETCH(QString, language);
    QTranslator compiled;
    QVERIFY(compiled.load(QStringLiteral(":/translations/lang_%1.qm").arg(language)));
    QCOMPARE(compiled.language(), language);
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
