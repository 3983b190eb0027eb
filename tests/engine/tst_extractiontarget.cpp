// The extraction pipeline every backend shares, driven directly with real files: the checks of names
// and link targets, staging by an in-process reader and by an external program, placement with the
// replace questions, rollback and cleanup. Where both routes exist a test runs both.

#include "deeptree.h"
#include "extractiontarget.h"
#include "keepbothname.h"
#include "legacynamedecoder.h"
#include "nofollow.h"
#include "operationcontext.h"
#include "sandbox.h"
#include "scriptedinteraction.h"
#include "smallfilesystem.h"
#include "testtree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

enum class Route { InProcess, Program };

const char *routeName(Route route)
{
    return route == Route::InProcess ? "in-process reader" : "external program";
}

// One extraction: its request, cancel flag and scripted answers, the context they make, the target.
struct Extraction {
    explicit Extraction(const QString &destination, ReplacePolicy policy = ReplacePolicy::Ask,
                        LegacyNameLanguage language = LegacyNameLanguage::SimplifiedChinese)
    {
        request = OperationRequest::extract(QStringLiteral("archive"), destination, QString());
        request.replacePolicy = policy;
        request.legacyNameLanguage = language;
        context = std::make_unique<OperationContext>(request, cancelled, nullptr, &interaction);
        target = std::make_unique<ExtractionTarget>(*context, destination);
    }

    OperationRequest request;
    std::atomic_bool cancelled{false};
    ScriptedInteraction interaction;
    std::unique_ptr<OperationContext> context;
    std::unique_ptr<ExtractionTarget> target;
};

QString describe(const OperationResult &result)
{
    return QStringLiteral("code %1 entry \"%2\" path \"%3\" detail \"%4\"")
        .arg(int(result.code))
        .arg(result.entry, result.path, result.detail);
}

EntryMetadata metadata(qint64 modified, quint32 permissions = 0)
{
    EntryMetadata result;
    result.modified = modified;
    result.permissions = permissions;
    return result;
}

OperationResult writeEntry(ExtractionTarget &target, const QString &name, const QByteArray &data,
                           const EntryMetadata &metadata = {})
{
    std::unique_ptr<StagedFile> file;
    OperationResult result = target.createFile(name, metadata, &file);
    if (result.succeeded())
        result = file->write(data.constData(), data.size());
    if (result.succeeded())
        result = file->finish();
    return result;
}

// Hands a tree to the target as an in-process reader would, in the map's order.
OperationResult stageInProcess(ExtractionTarget &target, const TestTree::Tree &tree)
{
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        OperationResult result;
        if (it.key().endsWith(QLatin1Char('/')))
            result = target.createFolder(it.key(), {});
        else if (it.value().startsWith("-> "))
            result = target.addLink(it.key(), it.value().mid(3));
        else
            result = writeEntry(target, it.key(), it.value());
        if (!result.succeeded())
            return result;
    }
    return target.finishStaging();
}

// Leaves a tree in the staging folder as an external program would, then has it checked.
OperationResult stageByProgram(ExtractionTarget &target, const TestTree::Tree &tree)
{
    if (!TestTree::build(target.stagingPath(), tree))
        return OperationResult::failure(ResultCode::TemporaryFileFailed, {}, {}, "test tree not built");
    return target.adoptStagedTree();
}

OperationResult stage(Route route, ExtractionTarget &target, const TestTree::Tree &tree)
{
    return route == Route::InProcess ? stageInProcess(target, tree) : stageByProgram(target, tree);
}

struct stat statOf(const QString &path)
{
    struct stat info {
    };
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

qint64 modifiedNs(const QString &path)
{
    const struct stat info = statOf(path);
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Modification times of root and of every folder below it: a rollback must give them back.
QMap<QString, qint64> folderTimes(const QString &root)
{
    QMap<QString, qint64> times{{QStringLiteral("."), modifiedNs(root)}};
    const TestTree::Tree tree = TestTree::snapshot(root);
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (it.key().endsWith(QLatin1Char('/')))
            times.insert(it.key(), modifiedNs(root + QLatin1Char('/') + it.key()));
    }
    return times;
}

bool holdsPrivateFolder(const QString &destination)
{
    return !QDir(destination)
                .entryList({QStringLiteral(".kelvane-extract-*")},
                           QDir::AllEntries | QDir::Hidden | QDir::System)
                .isEmpty();
}

// A file whose name is not UTF-8, by its bytes (a QString would not keep them).
QByteArray readRaw(const QByteArray &path)
{
    QByteArray content(4096, Qt::Uninitialized);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    const ssize_t length = fd < 0 ? -1 : ::read(fd, content.data(), size_t(content.size()));
    if (fd >= 0)
        ::close(fd);
    return length < 0 ? QByteArray("<unreadable>") : content.left(length);
}

QByteArray linkTarget(const QString &path)
{
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t length =
        ::readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return length < 0 ? QByteArray() : target.left(length);
}

TestTree::Tree merged(TestTree::Tree base, const TestTree::Tree &changes, const QStringList &removed = {})
{
    for (const QString &name : removed)
        base.remove(name);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        base.insert(it.key(), it.value());
    return base;
}

// Answers Replace and sets the operation's cancel flag at the given question, as a user pressing
// Cancel in the progress dialog while a question is open would.
class CancellingInteraction : public ScriptedInteraction
{
public:
    CancellingInteraction(std::atomic_bool &flag, int atQuestion) : flag(flag), atQuestion(atQuestion) {}
    ReplaceAnswer askReplace(const ReplaceQuestion &question) override
    {
        replaceQuestions.append(question);
        if (replaceQuestions.size() == atQuestion)
            flag = true;
        return {ReplaceChoice::Replace, false};
    }

private:
    std::atomic_bool &flag;
    int atQuestion;
};

} // namespace

Q_DECLARE_METATYPE(ReplacePolicy)
Q_DECLARE_METATYPE(ResultCode)

class TestExtractionTarget : public QObject
{
    Q_OBJECT

private slots:
    void entryNames_data();
    void entryNames();
    void longNamesStayLinear();

    void linkTargets_data();
    void linkTargets();
    void existingLinkOutsideIsNeverFollowed_data();
    void existingLinkOutsideIsNeverFollowed();

    void stagingFolderIsPrivate();
    void metadataIsApplied();
    void duplicateEntries_data();
    void duplicateEntries();
    void concurrentWriters();
    void fullDisk();

    void adoptionCleansWhatProgramsLeave();
    void adoptionRefusesDeepEscapingLink();
    void adoptionHardLinks_data();
    void adoptionHardLinks();

    void replaceAnswers_data();
    void replaceAnswers();
    void replaceForAllAfterAFullFolder();
    void keepBothNames_data();
    void keepBothNames();
    void rollback_data();
    void rollback();
    void deepMerge_data();
    void deepMerge();
    void cleanupAfterFailure_data();
    void cleanupAfterFailure();

    void selection_data();
    void selection();
    void secondReaderStartsAfresh_data();
    void secondReaderStartsAfresh();
};

void TestExtractionTarget::entryNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected"); // empty: refused

    QTest::newRow("plain") << "docs/a.txt"
                           << "docs/a.txt";
    QTest::newRow("dot components") << "./docs/./a.txt"
                                    << "docs/a.txt";
    QTest::newRow("climb that stays inside") << "a/../b/c/../d"
                                             << "b/d";
    QTest::newRow("trailing slash") << "docs/"
                                    << "docs";
    QTest::newRow("doubled slashes") << "docs//a.txt"
                                     << "docs/a.txt";
    QTest::newRow("backslashes") << "docs\\sub\\a.txt"
                                 << "docs/sub/a.txt";
    QTest::newRow("dots that are names") << ".../..b/.hidden"
                                         << ".../..b/.hidden";
    QTest::newRow("non-Latin") << "文档/说明 1.txt"
                               << "文档/说明 1.txt";
    QTest::newRow("colon later") << "a/C:/b"
                                 << "a/C:/b";
    QTest::newRow("climbs out") << "../evil" << QString();
    QTest::newRow("climbs out later") << "a/../../evil" << QString();
    QTest::newRow("climbs out by backslashes") << "a\\..\\..\\evil" << QString();
    QTest::newRow("absolute") << "/etc/passwd" << QString();
    QTest::newRow("absolute by backslash") << "\\etc\\passwd" << QString();
    QTest::newRow("UNC") << "\\\\server\\share\\x" << QString();
    QTest::newRow("drive letter") << "C:\\Windows\\x" << QString();
    QTest::newRow("drive relative") << "c:x" << QString();
    QTest::newRow("NUL") << QString::fromUtf8("a\0/../../b", 10) << QString();
    QTest::newRow("NUL at the end") << QString::fromUtf8("a.txt\0", 6) << QString();
    QTest::newRow("empty") << "" << QString();
    QTest::newRow("dot") << "." << QString();
    QTest::newRow("dot slash") << "./" << QString();
    QTest::newRow("resolves to the destination") << "a/b/../.." << QString();
}

void TestExtractionTarget::entryNames()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);

    QString relative = QStringLiteral("untouched");
    const OperationResult result = ExtractionTarget::checkEntryName(name, &relative);
    if (expected.isEmpty()) {
        QCOMPARE(result.code, ResultCode::UnsafeEntry);
        QCOMPARE(result.entry, name);
        QCOMPARE(relative, QStringLiteral("untouched"));
    } else {
        QVERIFY2(result.succeeded(), qPrintable(describe(result)));
        QCOMPARE(relative, expected);
    }

    // The same decision when a reader hands the name over: nothing is written for a refused name.
    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    QVERIFY(extraction.target->open().succeeded());
    const OperationResult written = writeEntry(*extraction.target, name, "data");
    QCOMPARE(written.code, expected.isEmpty() ? ResultCode::UnsafeEntry : ResultCode::Success);
    if (!expected.isEmpty()) {
        QVERIFY(extraction.target->commit().succeeded());
        QCOMPARE(TestTree::readFile(sandbox.destination() + QLatin1Char('/') + expected), QByteArray("data"));
    }
}

// Names of 65,000 bytes with tens of thousands of components: the check stays linear, and the
// pipeline writes and places such entries, here as trees deeper than PATH_MAX, by descriptors.
void TestExtractionTarget::longNamesStayLinear()
{
    constexpr int entries = 24;
    constexpr qsizetype nameLength = 65000;
    // Removing a deep folder chain costs this file system about 2 ms a level, so the tree the
    // pipeline builds stays just beyond PATH_MAX; the rest of each name climbs back and forth.
    constexpr int depth = 2100;
    const QString deep = QStringLiteral("a/").repeated(depth);
    QStringList checkedOnly;
    QStringList written;
    for (int i = 0; i < entries; ++i) {
        const QString leaf = QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
        checkedOnly.append(QStringLiteral("a/").repeated((nameLength - leaf.size()) / 2) + leaf);
        const QString climbs = QStringLiteral("x/../").repeated((nameLength - deep.size() - leaf.size()) / 5);
        written.append(climbs + deep + leaf);
    }
    QElapsedTimer timer;
    timer.start();
    for (const QStringList &names : {checkedOnly, written}) {
        for (const QString &name : names) {
            QVERIFY(name.size() > nameLength - 10);
            QString relative;
            QVERIFY(ExtractionTarget::checkEntryName(name, &relative).succeeded());
            QVERIFY(relative.endsWith(name.right(4)));
        }
    }
    const qint64 checkMs = timer.elapsed();
    qInfo("checking %d names of 65,000 characters: %lld ms", 2 * entries, checkMs);
    // A generous bound: linear work takes milliseconds, the quadratic kind took minutes.
    QVERIFY2(checkMs < 5000, qPrintable(QString::number(checkMs)));

    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    QVERIFY(extraction.target->open().succeeded());
    timer.restart();
    for (int i = 0; i < entries; ++i)
        QVERIFY(writeEntry(*extraction.target, written.at(i), QByteArray::number(i)).succeeded());
    QVERIFY(extraction.target->finishStaging().succeeded());
    const OperationResult committed = extraction.target->commit();
    QVERIFY2(committed.succeeded(), qPrintable(describe(committed)));
    qInfo("writing and placing %d files %d folders deep: %lld ms", entries, depth, timer.elapsed());

    int bottom = -1;
    QCOMPARE(DeepTree::follow(sandbox.destination(), "a", &bottom), depth);
    int error = 0;
    QList<QByteArray> names = NoFollow::listNames(bottom, &error);
    ::close(bottom);
    std::sort(names.begin(), names.end());
    QCOMPARE(names.size(), entries);
    QCOMPARE(names.first(), QByteArray("f00"));
    QVERIFY(!holdsPrivateFolder(sandbox.destination()));
}

void TestExtractionTarget::linkTargets_data()
{
    QTest::addColumn<TestTree::Tree>("existing");
    QTest::addColumn<TestTree::Tree>("archive");
    QTest::addColumn<QString>("refused"); // the link refused; empty when every link is accepted

    const TestTree::Tree none;
    QTest::newRow("sibling") << none << TestTree::Tree{{"a/b.txt", "b"}, {"a/l", "-> b.txt"}} << QString();
    QTest::newRow("up to the top") << none << TestTree::Tree{{"x.txt", "x"}, {"a/l", "-> ../x.txt"}}
                                   << QString();
    QTest::newRow("dots and climbs that stay inside") << none
                                                      << TestTree::Tree{{"dir/", ""},
                                                                        {"other/x/", ""},
                                                                        {"other/y", "y"},
                                                                        {"dir/link", "-> ../other/./x/../y"}}
                                                      << QString();
    QTest::newRow("deep climb to the top")
        << none << TestTree::Tree{{"x", "x"}, {"a/b/c/l", "-> ../../../x"}} << QString();
    QTest::newRow("through a link that goes deeper")
        << none << TestTree::Tree{{"d1/d2/", ""}, {"l1", "-> d1/d2"}, {"l2", "-> l1/../.."}} << QString();
    QTest::newRow("link to a link") << none << TestTree::Tree{{"f", "f"}, {"l1", "-> l2"}, {"l2", "-> f"}}
                                    << QString();
    QTest::newRow("loop") << none << TestTree::Tree{{"l", "-> l"}} << QString();
    QTest::newRow("to a folder already there")
        << TestTree::Tree{{"mine/", ""}} << TestTree::Tree{{"a/l", "-> ../mine"}} << QString();

    QTest::newRow("climbs out") << none << TestTree::Tree{{"a/l", "-> ../../x"}} << "a/l";
    QTest::newRow("climbs out from the top") << none << TestTree::Tree{{"l", "-> ../outside.txt"}} << "l";
    QTest::newRow("absolute") << none << TestTree::Tree{{"l", "-> /etc/passwd"}} << "l";
    QTest::newRow("climbs out through a link")
        << none << TestTree::Tree{{"a/up", "-> .."}, {"b", "-> a/up/.."}} << "b";
    QTest::newRow("climb after a folder the tree lacks")
        << none << TestTree::Tree{{"l", "-> nothere/../x"}} << "l";
    QTest::newRow("NUL would cut the target")
        << none << TestTree::Tree{{"inside/", ""}, {"l", QByteArray("-> ..\0/inside", 13)}} << "l";
    QTest::newRow("through a link already there that leads out")
        << TestTree::Tree{{"out", "-> ../outside"}} << TestTree::Tree{{"l", "-> out/keep.txt"}} << "l";
}

void TestExtractionTarget::linkTargets()
{
    QFETCH(TestTree::Tree, existing);
    QFETCH(TestTree::Tree, archive);
    QFETCH(QString, refused);

    for (const Route route : {Route::InProcess, Route::Program}) {
        bool storable = true;
        for (const QByteArray &value : archive)
            storable = storable && !value.contains('\0');
        // No file system stores a link target holding a NUL; only a reader can hand one over.
        if (route == Route::Program && !storable)
            continue;
        Sandbox sandbox;
        const TestTree::Tree outside = sandbox.outside();
        QVERIFY(QDir().mkpath(sandbox.destination()));
        QVERIFY(TestTree::build(sandbox.destination(), existing));
        {
            Extraction extraction(sandbox.destination(), ReplacePolicy::Refuse);
            QVERIFY(extraction.target->open().succeeded());
            OperationResult result = stage(route, *extraction.target, archive);
            if (refused.isEmpty()) {
                QVERIFY2(result.succeeded(), qPrintable(routeName(route) + (": " + describe(result))));
                result = extraction.target->commit();
                QVERIFY2(result.succeeded(), qPrintable(routeName(route) + (": " + describe(result))));
                for (auto it = archive.cbegin(); it != archive.cend(); ++it) {
                    if (it.value().startsWith("-> "))
                        QCOMPARE(linkTarget(sandbox.destination() + QLatin1Char('/') + it.key()),
                                 it.value().mid(3));
                }
            } else {
                QVERIFY2(result.code == ResultCode::UnsafeEntry,
                         qPrintable(routeName(route) + (": " + describe(result))));
                QCOMPARE(result.entry, refused);
            }
        }
        if (!refused.isEmpty())
            QCOMPARE(TestTree::snapshot(sandbox.destination()), existing);
        QCOMPARE(sandbox.outside(), outside);
    }
}

void TestExtractionTarget::existingLinkOutsideIsNeverFollowed_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<TestTree::Tree>("expected");
    QTest::addColumn<ResultCode>("code");

    const QByteArray link = "-> ../outside";
    const TestTree::Tree incoming{
        {"docs/", ""}, {"docs/new.txt", "new"}, {"docs/sub/", ""}, {"docs/sub/deep.txt", "deep"}};
    QTest::newRow("replace") << int(ReplaceChoice::Replace) << incoming << ResultCode::Success;
    QTest::newRow("skip") << int(ReplaceChoice::Skip) << TestTree::Tree{{"docs", link}}
                          << ResultCode::Success;
    QTest::newRow("keep both") << int(ReplaceChoice::KeepBoth)
                               << TestTree::Tree{{"docs", link},
                                                 {"docs (2)/", ""},
                                                 {"docs (2)/new.txt", "new"},
                                                 {"docs (2)/sub/", ""},
                                                 {"docs (2)/sub/deep.txt", "deep"}}
                               << ResultCode::Success;
    QTest::newRow("cancel") << int(ReplaceChoice::Cancel) << TestTree::Tree{{"docs", link}}
                            << ResultCode::Cancelled;
}

// A link the user (or an earlier extraction) left in the destination, pointing outside, meets an
// incoming folder of the same name holding files: the link is an item like any other, never a way in.
void TestExtractionTarget::existingLinkOutsideIsNeverFollowed()
{
    QFETCH(int, choice);
    QFETCH(TestTree::Tree, expected);
    QFETCH(ResultCode, code);

    for (const Route route : {Route::InProcess, Route::Program}) {
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.destination()));
        QVERIFY(QFile::link(QStringLiteral("../outside"), sandbox.destination() + QStringLiteral("/docs")));
        const struct timespec old[2] = {{946684800, 0}, {946684800, 0}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(sandbox.filePath("outside")).constData(), old, 0) ==
                0);
        const TestTree::Tree outside = sandbox.outside();
        const struct stat outsideBefore = statOf(sandbox.filePath("outside"));
        {
            Extraction extraction(sandbox.destination());
            extraction.interaction.replaceAnswersByEntry.insert(QStringLiteral("docs"),
                                                                {ReplaceChoice(choice), false});
            QVERIFY(extraction.target->open().succeeded());
            OperationResult result;
            if (route == Route::InProcess) {
                // The folder's own time and mode would land on the outside folder if it were followed.
                result = extraction.target->createFolder(QStringLiteral("docs/"), metadata(1234567890, 0700));
                QVERIFY(result.succeeded());
                result = stageInProcess(*extraction.target,
                                        {{"docs/new.txt", "new"}, {"docs/sub/deep.txt", "deep"}});
            } else {
                result =
                    stageByProgram(*extraction.target,
                                   {{"docs/", ""}, {"docs/new.txt", "new"}, {"docs/sub/deep.txt", "deep"}});
            }
            QVERIFY2(result.succeeded(), qPrintable(describe(result)));
            result = extraction.target->commit();
            QVERIFY2(result.code == code, qPrintable(routeName(route) + (": " + describe(result))));

            QCOMPARE(extraction.interaction.replaceQuestions.size(), 1);
            const ReplaceQuestion question = extraction.interaction.replaceQuestions.first();
            QCOMPARE(question.existingPath, sandbox.destination() + QStringLiteral("/docs"));
            QVERIFY(question.existing.isLink);
            QVERIFY(!question.existing.isFolder);
            QVERIFY(question.incoming.isFolder);
            QVERIFY(question.canReplace);
        }
        QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
        QCOMPARE(sandbox.outside(), outside);
        const struct stat outsideAfter = statOf(sandbox.filePath("outside"));
        QCOMPARE(outsideAfter.st_mode, outsideBefore.st_mode);
        QCOMPARE(outsideAfter.st_mtim.tv_sec, outsideBefore.st_mtim.tv_sec);
        QCOMPARE(outsideAfter.st_mtim.tv_nsec, outsideBefore.st_mtim.tv_nsec);
    }
}

void TestExtractionTarget::stagingFolderIsPrivate()
{
    Sandbox sandbox;
    const QString destination = sandbox.filePath("new/deeper/dest");
    Extraction extraction(destination);
    QVERIFY(extraction.target->stagingPath().isEmpty());
    QVERIFY(extraction.target->open().succeeded());
    const QFileInfo staging(extraction.target->stagingPath());
    QVERIFY(staging.isDir());
    const QFileInfo privateFolder(staging.path());
    QCOMPARE(privateFolder.path(), destination);
    QVERIFY(privateFolder.fileName().startsWith(QLatin1String(".kelvane-extract-")));
    QCOMPARE(privateFolder.fileName().size(), QStringLiteral(".kelvane-extract-XXXXXX").size());
    QCOMPARE(statOf(privateFolder.filePath()).st_mode & 07777, mode_t(0700));

    // A second extraction into the same folder gets a folder of its own.
    Extraction second(destination);
    QVERIFY(second.target->open().succeeded());
    QVERIFY(QFileInfo(second.target->stagingPath()).path() != privateFolder.filePath());
}

void TestExtractionTarget::metadataIsApplied()
{
    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    ExtractionTarget &target = *extraction.target;
    QVERIFY(target.open().succeeded());
    const qint64 folderTime = 1000000000;
    const qint64 innerTime = 1100000000;
    const qint64 fileTime = 1200000000;
    QVERIFY(target.createFolder(QStringLiteral("tools/"), metadata(folderTime, 0750)).succeeded());
    QVERIFY(target.createFolder(QStringLiteral("tools/inner/"), metadata(innerTime, 0555)).succeeded());
    // Set-id and sticky bits are never applied, whatever the archive says.
    QVERIFY(writeEntry(target, QStringLiteral("tools/inner/run"), "#!/bin/sh\n", metadata(fileTime, 06755))
                .succeeded());
    QVERIFY(writeEntry(target, QStringLiteral("tools/notes.txt"), "notes", metadata(fileTime, 01640))
                .succeeded());
    // Written after the folder entries, and still the folders keep their own times.
    QVERIFY(target.addLink(QStringLiteral("tools/inner/again"), "run").succeeded());
    QVERIFY(target.finishStaging().succeeded());
    const OperationResult result = target.commit();
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));

    const QString tools = sandbox.destination() + QStringLiteral("/tools");
    QCOMPARE(statOf(tools).st_mode & 07777, mode_t(0750));
    QCOMPARE(qint64(statOf(tools).st_mtim.tv_sec), folderTime);
    QCOMPARE(statOf(tools + "/inner").st_mode & 07777, mode_t(0555));
    QCOMPARE(qint64(statOf(tools + "/inner").st_mtim.tv_sec), innerTime);
    QCOMPARE(statOf(tools + "/inner/run").st_mode & 07777, mode_t(0755));
    QCOMPARE(qint64(statOf(tools + "/inner/run").st_mtim.tv_sec), fileTime);
    QCOMPARE(statOf(tools + "/notes.txt").st_mode & 07777, mode_t(0640));
    QCOMPARE(linkTarget(tools + "/inner/again"), QByteArray("run"));
    QVERIFY(!holdsPrivateFolder(sandbox.destination()));
}

void TestExtractionTarget::duplicateEntries_data()
{
    QTest::addColumn<QStringList>("steps"); // "file:name=data", "folder:name", "link:name=target"
    QTest::addColumn<QString>("refused");   // the entry refused; empty when it all succeeds
    QTest::addColumn<TestTree::Tree>("expected");

    QTest::newRow("same file twice: the later wins") << QStringList{"file:a.txt=first", "file:a.txt=second"}
                                                     << QString() << TestTree::Tree{{"a.txt", "second"}};
    QTest::newRow("same folder twice") << QStringList{"folder:d/", "file:d/x=x", "folder:d"} << QString()
                                       << TestTree::Tree{{"d/", ""}, {"d/x", "x"}};
    QTest::newRow("file after link: the file wins")
        << QStringList{"link:l=x", "file:l=data"} << QString() << TestTree::Tree{{"l", "data"}};
    QTest::newRow("link after file: the link wins")
        << QStringList{"file:l=data", "link:l=x"} << QString() << TestTree::Tree{{"l", "-> x"}};
    QTest::newRow("folder over file") << QStringList{"file:a=data", "folder:a/"} << "a/" << TestTree::Tree{};
    QTest::newRow("file over folder") << QStringList{"folder:a/", "file:a=data"} << "a" << TestTree::Tree{};
    QTest::newRow("file below a file")
        << QStringList{"file:a=data", "file:a/b=data"} << "a/b" << TestTree::Tree{};
    QTest::newRow("link over folder") << QStringList{"folder:a/", "link:a=x"} << "a" << TestTree::Tree{};
    QTest::newRow("file below a link") << QStringList{"link:l=x", "file:l/f=data"} << "l" << TestTree::Tree{};
}

void TestExtractionTarget::duplicateEntries()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, refused);
    QFETCH(TestTree::Tree, expected);

    Sandbox sandbox;
    {
        Extraction extraction(sandbox.destination());
        ExtractionTarget &target = *extraction.target;
        QVERIFY(target.open().succeeded());
        OperationResult result;
        for (const QString &step : std::as_const(steps)) {
            const QString kind = step.section(QLatin1Char(':'), 0, 0);
            const QString name = step.section(QLatin1Char(':'), 1).section(QLatin1Char('='), 0, 0);
            const QByteArray value = step.section(QLatin1Char('='), 1).toUtf8();
            if (kind == QLatin1String("file"))
                result = writeEntry(target, name, value);
            else if (kind == QLatin1String("folder"))
                result = target.createFolder(name, {});
            else
                result = target.addLink(name, value);
            if (!result.succeeded())
                break;
        }
        if (result.succeeded())
            result = target.finishStaging();
        if (refused.isEmpty()) {
            QVERIFY2(result.succeeded(), qPrintable(describe(result)));
            QVERIFY(target.commit().succeeded());
        } else {
            QVERIFY2(result.code == ResultCode::UnsafeEntry, qPrintable(describe(result)));
            QCOMPARE(result.entry, refused);
        }
    }
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
}

// Readers write from several threads at once; they share parent folders, which each creates when it
// finds them missing.
void TestExtractionTarget::concurrentWriters()
{
    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    QVERIFY(extraction.target->open().succeeded());
    QList<int> numbers(400);
    std::iota(numbers.begin(), numbers.end(), 0);
    TestTree::Tree expected;
    for (const int i : std::as_const(numbers)) {
        const QString folder = QStringLiteral("shared/sub%1/deeper/").arg(i % 5);
        expected.insert(QStringLiteral("shared/"), {});
        expected.insert(QStringLiteral("shared/sub%1/").arg(i % 5), {});
        expected.insert(folder, {});
        expected.insert(folder + QStringLiteral("f%1.txt").arg(i),
                        TestTree::sampleData(1000 + i, quint32(i)));
    }
    std::atomic_int failures{0};
    std::atomic<qsizetype> next{0};
    // Threads of the test's own, started and joined where a thread checker sees it, so what it
    // reports is the target's own doing.
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 4; ++writer) {
        writers.emplace_back([&] {
            for (qsizetype at = next++; at < numbers.size(); at = next++) {
                const int i = numbers.at(at);
                const QString name = QStringLiteral("shared/sub%1/deeper/f%2.txt").arg(i % 5).arg(i);
                if (!writeEntry(*extraction.target, name, TestTree::sampleData(1000 + i, quint32(i)))
                         .succeeded())
                    ++failures;
            }
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    QCOMPARE(failures.load(), 0);
    QVERIFY(extraction.target->finishStaging().succeeded());
    QVERIFY(extraction.target->commit().succeeded());
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
}

void TestExtractionTarget::fullDisk()
{
    Sandbox sandbox;
    SmallFileSystem small(sandbox.filePath("small"), "256k");
    if (!small.isMounted())
        QSKIP(qPrintable("cannot mount a small tmpfs (needs root with mount permission): " + small.error()));
    const QString destination = sandbox.filePath("small/dest");
    {
        Extraction extraction(destination);
        QVERIFY(extraction.target->open().succeeded());
        std::unique_ptr<StagedFile> file;
        QVERIFY(extraction.target->createFile(QStringLiteral("big.bin"), {}, &file).succeeded());
        const QByteArray block = TestTree::randomBytes(64 * 1024);
        OperationResult result;
        for (int i = 0; i < 16 && result.succeeded(); ++i)
            result = file->write(block.constData(), block.size());
        if (result.succeeded())
            result = file->finish();
        QCOMPARE(result.code, ResultCode::DiskFull);
        QCOMPARE(result.path, destination + QStringLiteral("/big.bin"));
    }
    QVERIFY(!QFileInfo::exists(destination));
}

// What tar or 7z may leave: a tree deeper than PATH_MAX, names that are not UTF-8, FIFOs, device
// nodes, set-id and sticky bits, read-only folders. All of it must be placed or cleaned exactly.
void TestExtractionTarget::adoptionCleansWhatProgramsLeave()
{
    constexpr int depth = 300;
    const QByteArray level = "deep-folder-level";
    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    QVERIFY(extraction.target->open().succeeded());
    const QString staging = extraction.target->stagingPath();
    QVERIFY(TestTree::build(staging,
                            {{"shared/", ""}, {"tmp/", ""}, {"ro/f.txt", "read-only"}, {"withfifo/", ""}}));

    const int bottom = DeepTree::build(staging, level, depth);
    QVERIFY(bottom >= 0);
    int file = ::openat(bottom, "bottom.txt", O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(file >= 0 && ::write(file, "bottom", 6) == 6);
    QVERIFY(::fchmod(file, 04755) == 0);
    ::close(file);
    QVERIFY(::mkfifoat(bottom, "pipe", 0644) == 0);
    QVERIFY(::symlinkat("../../deep-folder-level", bottom, "inside") == 0);
    ::close(bottom);

    const QByteArray root = QFile::encodeName(staging);
    const auto at = [&root](const char *name) { return QByteArray(root + '/' + name); };
    const QByteArray latinFile = at("caf\xe9.txt");
    const QByteArray latinFolder = at("d\xe9j\xe0");
    file = ::open(latinFile.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(file >= 0 && ::write(file, "latin", 5) == 5);
    ::close(file);
    QVERIFY(::mkdir(latinFolder.constData(), 0755) == 0);
    QVERIFY(::mkfifo(QByteArray(latinFolder + "/f\xef"
                                              "fo")
                         .constData(),
                     0644) == 0);
    QVERIFY(::mkfifo(at("fifo").constData(), 0644) == 0);
    QVERIFY(::mkfifo(at("withfifo/fifo").constData(), 0644) == 0);
    const struct timespec old[2] = {{978307200, 0}, {978307200, 0}};
    QVERIFY(::utimensat(AT_FDCWD, at("withfifo").constData(), old, 0) == 0);
    // Only root can make a device node, and only root's tar restores one.
    const bool device =
        ::geteuid() == 0 && ::mknod(at("null").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    QVERIFY(::chmod(at("shared").constData(), 02775) == 0);
    QVERIFY(::chmod(at("tmp").constData(), 01777) == 0);
    QVERIFY(::chmod(at("ro").constData(), 0555) == 0);

    OperationResult result = extraction.target->adoptStagedTree();
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    result = extraction.target->commit();
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));

    const QString destination = sandbox.destination();
    int deepest = -1;
    QCOMPARE(DeepTree::follow(destination, level, &deepest), depth);
    struct stat info;
    QVERIFY(::fstatat(deepest, "bottom.txt", &info, AT_SYMLINK_NOFOLLOW) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0755));
    QCOMPARE(info.st_size, off_t(6));
    QVERIFY(::fstatat(deepest, "pipe", &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT);
    QVERIFY(::fstatat(deepest, "inside", &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode));
    ::close(deepest);

    const QByteArray placed = QFile::encodeName(destination);
    QCOMPARE(readRaw(placed + "/caf\xe9.txt"), QByteArray("latin"));
    QVERIFY(::lstat(QByteArray(placed + "/d\xe9j\xe0").constData(), &info) == 0 && S_ISDIR(info.st_mode));
    QVERIFY(::lstat(QByteArray(placed + "/d\xe9j\xe0/f\xef"
                                        "fo")
                        .constData(),
                    &info) != 0);
    QVERIFY(::lstat(QByteArray(placed + "/fifo").constData(), &info) != 0);
    if (device)
        QVERIFY(::lstat(QByteArray(placed + "/null").constData(), &info) != 0);
    QVERIFY(::lstat(QByteArray(placed + "/withfifo/fifo").constData(), &info) != 0);
    QCOMPARE(qint64(statOf(destination + "/withfifo").st_mtim.tv_sec), qint64(978307200));
    QCOMPARE(statOf(destination + "/shared").st_mode & 07777, mode_t(0775));
    QCOMPARE(statOf(destination + "/tmp").st_mode & 07777, mode_t(0777));
    QCOMPARE(statOf(destination + "/ro").st_mode & 07777, mode_t(0555));
    QCOMPARE(TestTree::readFile(destination + "/ro/f.txt"), QByteArray("read-only"));
    QVERIFY(!holdsPrivateFolder(destination));
}

// An escaping link below PATH_MAX-deep folders, beside FIFOs and a read-only folder: refused by
// name, and the whole staged tree goes with the target.
void TestExtractionTarget::adoptionRefusesDeepEscapingLink()
{
    constexpr int depth = 300;
    const QByteArray level = "deep-folder-level";
    Sandbox sandbox;
    QVERIFY(TestTree::build(sandbox.destination(), {{"before.txt", "before"}}));
    const TestTree::Tree before = TestTree::snapshot(sandbox.destination());
    const TestTree::Tree outside = sandbox.outside();
    {
        Extraction extraction(sandbox.destination(), ReplacePolicy::Ask, LegacyNameLanguage::Western);
        QVERIFY(extraction.target->open().succeeded());
        const QString staging = extraction.target->stagingPath();
        const int bottom = DeepTree::build(staging, level, depth);
        QVERIFY(bottom >= 0);
        QVERIFY(::mkfifoat(bottom, "pipe", 0644) == 0);
        QVERIFY(::mkdirat(bottom, "ro", 0755) == 0);
        const int file = ::openat(bottom, "ro/f", O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(file >= 0);
        ::close(file);
        QVERIFY(::fchmodat(bottom, "ro", 0500, 0) == 0);
        // One level more than the tree is deep, plus the destination itself.
        const QByteArray escape = QByteArray("../").repeated(depth + 1) + "outside.txt";
        QVERIFY(::symlinkat(escape.constData(), bottom, "\xe9scape") == 0);
        ::close(bottom);

        const OperationResult result = extraction.target->adoptStagedTree();
        QCOMPARE(result.code, ResultCode::UnsafeEntry);
        const QByteArray raw = QByteArray(level + '/').repeated(depth) + "\xe9scape";
        QCOMPARE(result.entry, LegacyNameDecoder::decode(raw, {}, LegacyNameLanguage::Western));
    }
    QCOMPARE(TestTree::snapshot(sandbox.destination()), before);
    QCOMPARE(sandbox.outside(), outside);
}

void TestExtractionTarget::adoptionHardLinks_data()
{
    QTest::addColumn<QString>("linkedFrom"); // "outside" for the sandbox's bait file
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<TestTree::Tree>("expected");

    QTest::newRow("to a file outside") << "outside" << QStringList() << "docs/hard.txt" << TestTree::Tree();
    QTest::newRow("between two staged files")
        << "other/b.txt" << QStringList() << QString()
        << TestTree::Tree{{"docs/", ""}, {"docs/hard.txt", "b"}, {"other/", ""}, {"other/b.txt", "b"}};
    QTest::newRow("one of two names selected") << "other/b.txt" << QStringList{"docs/"} << QString()
                                               << TestTree::Tree{{"docs/", ""}, {"docs/hard.txt", "b"}};
}

// tar makes hard links as the archive asks: one to a file outside would let the set-id clearing (and
// any later write) reach that file.
void TestExtractionTarget::adoptionHardLinks()
{
    QFETCH(QString, linkedFrom);
    QFETCH(QStringList, selected);
    QFETCH(QString, refused);
    QFETCH(TestTree::Tree, expected);

    Sandbox sandbox;
    const QString bait = sandbox.filePath("outside.txt");
    QVERIFY(::chmod(QFile::encodeName(bait).constData(), 04644) == 0);
    const TestTree::Tree outside = sandbox.outside();
    {
        Extraction extraction(sandbox.destination());
        extraction.target->setSelection(selected);
        QVERIFY(extraction.target->open().succeeded());
        const QString staging = extraction.target->stagingPath();
        QVERIFY(TestTree::build(staging, {{"docs/", ""}, {"other/b.txt", "b"}}));
        const QString from =
            linkedFrom == QLatin1String("outside") ? bait : staging + QLatin1Char('/') + linkedFrom;
        QVERIFY(::link(QFile::encodeName(from).constData(),
                       QFile::encodeName(staging + "/docs/hard.txt").constData()) == 0);

        OperationResult result = extraction.target->adoptStagedTree();
        if (refused.isEmpty()) {
            QVERIFY2(result.succeeded(), qPrintable(describe(result)));
            result = extraction.target->commit();
            QVERIFY2(result.succeeded(), qPrintable(describe(result)));
        } else {
            QCOMPARE(result.code, ResultCode::UnsafeEntry);
            QCOMPARE(result.entry, refused);
        }
    }
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
    QCOMPARE(sandbox.outside(), outside);
    QCOMPARE(statOf(bait).st_mode & 07777, mode_t(04644));
}

void TestExtractionTarget::replaceAnswers_data()
{
    QTest::addColumn<ReplacePolicy>("policy");
    QTest::addColumn<QList<ReplaceAnswer>>("answers");
    QTest::addColumn<int>("answerByEntry"); // one answer for every entry, -1 for none
    QTest::addColumn<ResultCode>("code");
    QTest::addColumn<int>("questions");
    QTest::addColumn<TestTree::Tree>("expected");

    const TestTree::Tree existing{
        {"same.txt", "old same"}, {"docs/", ""},   {"docs/mine.txt", "mine"},    {"docs/shared.txt", "old"},
        {"empty/", ""},           {"photos/", ""}, {"photos/keep.jpg", "photo"}, {"link.txt", "-> same.txt"}};
    const TestTree::Tree added{{"docs/added.txt", "added"}, {"fresh/", ""}, {"fresh/a.txt", "fresh"}};
    // Replacing would delete the photos, so that clash keeps both even under "replace".
    const TestTree::Tree replaced = merged(existing,
                                           merged(added, {{"same.txt", "new same"},
                                                          {"docs/shared.txt", "new"},
                                                          {"empty", "file over an empty folder"},
                                                          {"photos (2)", "file over a full folder"},
                                                          {"link.txt", "file over a link"}}),
                                           {"empty/"});
    const TestTree::Tree skipped = merged(existing, added);
    const TestTree::Tree keptBoth =
        merged(existing, merged(added, {{"same (2).txt", "new same"},
                                        {"docs/shared (2).txt", "new"},
                                        {"empty (2)", "file over an empty folder"},
                                        {"photos (2)", "file over a full folder"},
                                        {"link (2).txt", "file over a link"}}));
    const QList<ReplaceAnswer> none;
    const int replace = int(ReplaceChoice::Replace);
    const int skip = int(ReplaceChoice::Skip);
    const int keepBoth = int(ReplaceChoice::KeepBoth);

    QTest::newRow("replace, asked each time")
        << ReplacePolicy::Ask << none << replace << ResultCode::Success << 5 << replaced;
    QTest::newRow("replace for all") << ReplacePolicy::Ask
                                     << QList<ReplaceAnswer>{{ReplaceChoice::Replace, true}} << -1
                                     << ResultCode::Success << 1 << replaced;
    QTest::newRow("skip, asked each time")
        << ReplacePolicy::Ask << none << skip << ResultCode::Success << 5 << skipped;
    QTest::newRow("skip for all") << ReplacePolicy::Ask << QList<ReplaceAnswer>{{ReplaceChoice::Skip, true}}
                                  << -1 << ResultCode::Success << 1 << skipped;
    QTest::newRow("keep both, asked each time")
        << ReplacePolicy::Ask << none << keepBoth << ResultCode::Success << 5 << keptBoth;
    QTest::newRow("keep both for all")
        << ReplacePolicy::Ask << QList<ReplaceAnswer>{{ReplaceChoice::KeepBoth, true}} << -1
        << ResultCode::Success << 1 << keptBoth;
    QTest::newRow("cancel") << ReplacePolicy::Ask << QList<ReplaceAnswer>{{ReplaceChoice::Cancel, false}}
                            << -1 << ResultCode::Cancelled << 1 << existing;
    QTest::newRow("policy replace") << ReplacePolicy::Replace << none << -1 << ResultCode::Success << 0
                                    << replaced;
    QTest::newRow("policy skip") << ReplacePolicy::Skip << none << -1 << ResultCode::Success << 0 << skipped;
    QTest::newRow("policy keep both")
        << ReplacePolicy::KeepBoth << none << -1 << ResultCode::Success << 0 << keptBoth;
    QTest::newRow("policy refuse") << ReplacePolicy::Refuse << none << -1 << ResultCode::DestinationExists
                                   << 0 << existing;
}

void TestExtractionTarget::replaceAnswers()
{
    QFETCH(ReplacePolicy, policy);
    QFETCH(QList<ReplaceAnswer>, answers);
    QFETCH(int, answerByEntry);
    QFETCH(ResultCode, code);
    QFETCH(int, questions);
    QFETCH(TestTree::Tree, expected);

    const TestTree::Tree existing{
        {"same.txt", "old same"}, {"docs/", ""},   {"docs/mine.txt", "mine"},    {"docs/shared.txt", "old"},
        {"empty/", ""},           {"photos/", ""}, {"photos/keep.jpg", "photo"}, {"link.txt", "-> same.txt"}};
    const TestTree::Tree archive{{"same.txt", "new same"},
                                 {"docs/shared.txt", "new"},
                                 {"docs/added.txt", "added"},
                                 {"empty", "file over an empty folder"},
                                 {"photos", "file over a full folder"},
                                 {"link.txt", "file over a link"},
                                 {"fresh/a.txt", "fresh"}};
    const QStringList clashes{"same.txt", "docs/shared.txt", "empty", "photos", "link.txt"};

    for (const Route route : {Route::InProcess, Route::Program}) {
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.destination()));
        QVERIFY(TestTree::build(sandbox.destination(), existing));
        Extraction extraction(sandbox.destination(), policy);
        extraction.interaction.replaceAnswers = answers;
        if (answerByEntry >= 0) {
            for (const QString &clash : clashes)
                extraction.interaction.replaceAnswersByEntry.insert(clash,
                                                                    {ReplaceChoice(answerByEntry), false});
        }
        QVERIFY(extraction.target->open().succeeded());
        QVERIFY(stage(route, *extraction.target, archive).succeeded());
        const OperationResult result = extraction.target->commit();
        QVERIFY2(result.code == code, qPrintable(routeName(route) + (": " + describe(result))));
        if (code == ResultCode::DestinationExists)
            QVERIFY(clashes.contains(QDir(sandbox.destination()).relativeFilePath(result.path)));
        QCOMPARE(extraction.interaction.replaceQuestions.size(), questions);
        for (const ReplaceQuestion &question : std::as_const(extraction.interaction.replaceQuestions)) {
            QVERIFY(clashes.contains(question.entry));
            QCOMPARE(question.existingPath, sandbox.destination() + QLatin1Char('/') + question.entry);
            QCOMPARE(question.canReplace, question.entry != QLatin1String("photos"));
            QCOMPARE(question.existing.isFolder,
                     question.entry == QLatin1String("empty") || question.entry == QLatin1String("photos"));
            QCOMPARE(question.existing.isLink, question.entry == QLatin1String("link.txt"));
            QVERIFY(!question.incoming.isFolder && !question.incoming.isLink);
            QCOMPARE(question.incoming.size, qint64(archive.value(question.entry).size()));
        }
        extraction.target.reset();
        QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
    }
}

// "Replace, for all" given at a clash with a full folder (where only keeping both is allowed) still
// replaces the later clashes that may be replaced.
void TestExtractionTarget::replaceForAllAfterAFullFolder()
{
    const OperationRequest request = OperationRequest::extract("archive", "dest", QString());
    std::atomic_bool cancelled{false};
    ScriptedInteraction interaction;
    interaction.replaceAnswers = {{ReplaceChoice::Replace, true}};
    OperationRequest asking = request;
    asking.replacePolicy = ReplacePolicy::Ask;
    OperationContext context(asking, cancelled, nullptr, &interaction);

    ReplaceQuestion fullFolder;
    fullFolder.existingPath = "dest/photos";
    fullFolder.existing.isFolder = true;
    fullFolder.canReplace = false;
    QCOMPARE(context.resolveReplace(fullFolder).choice, ReplaceChoice::KeepBoth);
    ReplaceQuestion file;
    file.existingPath = "dest/same.txt";
    QCOMPARE(context.resolveReplace(file).choice, ReplaceChoice::Replace);
    QCOMPARE(context.resolveReplace(fullFolder).choice, ReplaceChoice::KeepBoth);
    QCOMPARE(interaction.replaceQuestions.size(), 1);
}

void TestExtractionTarget::keepBothNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("file") << QByteArray("report.pdf") << false << 2 << QByteArray("report (2).pdf");
    QTest::newRow("last suffix only")
        << QByteArray("data.tar.gz") << false << 3 << QByteArray("data.tar (3).gz");
    QTest::newRow("no suffix") << QByteArray("README") << false << 2 << QByteArray("README (2)");
    QTest::newRow("hidden file") << QByteArray(".profile") << false << 2 << QByteArray(".profile (2)");
    QTest::newRow("folder with a dot") << QByteArray("v1.2") << true << 2 << QByteArray("v1.2 (2)");
    QTest::newRow("two digits") << QByteArray("a.txt") << false << 10 << QByteArray("a (10).txt");
    QTest::newRow("bytes that are not UTF-8")
        << QByteArray("caf\xe9.txt") << false << 2 << QByteArray("caf\xe9 (2).txt");
}

void TestExtractionTarget::keepBothNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, isFolder);
    QFETCH(int, number);
    QFETCH(QByteArray, expected);
    QCOMPARE(KeepBothName::candidate(name, number, isFolder), expected);
}

void TestExtractionTarget::rollback_data()
{
    QTest::addColumn<ReplacePolicy>("policy");
    QTest::addColumn<int>("cancelAtQuestion"); // 0: answers come from the script
    QTest::addColumn<bool>("lockedFolder");
    QTest::addColumn<bool>("longName");
    QTest::addColumn<ResultCode>("code");

    QTest::newRow("Cancel after some were replaced")
        << ReplacePolicy::Ask << 0 << false << false << ResultCode::Cancelled;
    QTest::newRow("operation cancelled during a question")
        << ReplacePolicy::Ask << 6 << false << false << ResultCode::Cancelled;
    QTest::newRow("no room for the kept name")
        << ReplacePolicy::KeepBoth << 0 << false << true << ResultCode::CreateFailed;
    QTest::newRow("read-only folder in the destination")
        << ReplacePolicy::Replace << 0 << true << false << ResultCode::CreateFailed;
}

// A commit that fails half-way leaves every file of the destination byte for byte as it was, the
// merged folders with their times, and nothing of the extraction.
void TestExtractionTarget::rollback()
{
    QFETCH(ReplacePolicy, policy);
    QFETCH(int, cancelAtQuestion);
    QFETCH(bool, lockedFolder);
    QFETCH(bool, longName);
    QFETCH(ResultCode, code);

    if (lockedFolder && ::geteuid() == 0)
        QSKIP("root writes into read-only folders; run the suite as an unprivileged user for this row");
    TestTree::Tree existing{
        {"docs/", ""}, {"docs/a.txt", "old a"}, {"docs/sub/", ""}, {"docs/sub/b.txt", "old b"}};
    TestTree::Tree archive{{"docs/a.txt", "new a"},
                           {"docs/sub/b.txt", "new b"},
                           {"docs/sub/c.txt", "new c"},
                           {"fresh/x.txt", "x"},
                           {"top.txt", "new top"}};
    for (int i = 0; i < 10; ++i) {
        existing.insert(QStringLiteral("f%1.txt").arg(i), "old " + QByteArray::number(i));
        archive.insert(QStringLiteral("f%1.txt").arg(i), "new " + QByteArray::number(i));
    }
    if (lockedFolder) {
        existing.insert(QStringLiteral("locked/"), {});
        existing.insert(QStringLiteral("locked/old.txt"), "old");
        archive.insert(QStringLiteral("locked/new.txt"), "new");
    }
    if (longName) {
        const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
        existing.insert(name, "old long");
        archive.insert(name, "new long");
    }

    for (const Route route : {Route::InProcess, Route::Program}) {
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.destination()));
        QVERIFY(TestTree::build(sandbox.destination(), existing));
        if (lockedFolder)
            QVERIFY(
                QFile::setPermissions(sandbox.destination() + "/locked", QFile::ReadOwner | QFile::ExeOwner));
        const struct timespec old[2] = {{946684800, 0}, {946684800, 0}};
        for (const QString &folder : {QStringLiteral("/docs/sub"), QStringLiteral("/docs"), QString()})
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(sandbox.destination() + folder).constData(), old,
                                0) == 0);
        const TestTree::Tree before = TestTree::snapshot(sandbox.destination());
        const QMap<QString, qint64> timesBefore = folderTimes(sandbox.destination());
        const TestTree::Tree outside = sandbox.outside();
        {
            Extraction extraction(sandbox.destination(), policy);
            CancellingInteraction cancelling(extraction.cancelled, cancelAtQuestion);
            if (cancelAtQuestion > 0) {
                extraction.context = std::make_unique<OperationContext>(
                    extraction.request, extraction.cancelled, nullptr, &cancelling);
                extraction.target =
                    std::make_unique<ExtractionTarget>(*extraction.context, sandbox.destination());
            } else {
                for (int i = 0; i < 10; ++i)
                    extraction.interaction.replaceAnswersByEntry.insert(QStringLiteral("f%1.txt").arg(i),
                                                                        {ReplaceChoice::Replace, false});
                extraction.interaction.replaceAnswersByEntry.insert(QStringLiteral("docs/a.txt"),
                                                                    {ReplaceChoice::Replace, false});
                // The one answer that ends it; which clashes come before it depends on the order on disk.
                extraction.interaction.replaceAnswersByEntry.insert(QStringLiteral("docs/sub/b.txt"),
                                                                    {ReplaceChoice::Cancel, false});
            }
            QVERIFY(extraction.target->open().succeeded());
            QVERIFY(stage(route, *extraction.target, archive).succeeded());
            const OperationResult result = extraction.target->commit();
            QVERIFY2(result.code == code, qPrintable(routeName(route) + (": " + describe(result))));
            if (cancelAtQuestion > 0)
                QCOMPARE(cancelling.replaceQuestions.size(), cancelAtQuestion);
            // Undone at once, before the target goes.
            const TestTree::Tree afterFailure = TestTree::snapshot(sandbox.destination());
            for (auto it = before.cbegin(); it != before.cend(); ++it)
                QCOMPARE(afterFailure.value(it.key(), "<missing>"), it.value());
        }
        QCOMPARE(TestTree::snapshot(sandbox.destination()), before);
        QCOMPARE(folderTimes(sandbox.destination()), timesBefore);
        QCOMPARE(sandbox.outside(), outside);
        if (lockedFolder)
            QVERIFY(QFile::setPermissions(sandbox.destination() + "/locked",
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
}

void TestExtractionTarget::deepMerge_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("replace") << false;
    QTest::newRow("cancelled at the second clash") << true;
}

// The same tree, deeper than PATH_MAX, extracted over itself: the walk merges level by level down to
// a clash at the bottom; another clash waits at the top. A cancel at the second of them undoes moves
// at both ends, so the undo walks the whole depth, by descriptors.
void TestExtractionTarget::deepMerge()
{
    QFETCH(bool, cancel);
    constexpr int depth = 300;
    const QByteArray level = "deep-folder-level";
    const auto fill = [&level](const QString &root, const QByteArray &content) {
        const int bottom = DeepTree::build(root, level, depth);
        bool written = bottom >= 0 && TestTree::writeFile(root + QStringLiteral("/top.txt"), content);
        for (int i = 0; written && i < 2; ++i) {
            const QByteArray name = i == 0 ? "f" : content == "new" ? "g" : "old-only";
            const int file = ::openat(bottom, name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            written =
                file >= 0 && ::write(file, content.constData(), size_t(content.size())) == content.size();
            ::close(file);
        }
        ::close(bottom);
        return written;
    };
    // What the bottom folder of the destination and its top file hold, name -> content.
    const auto contentOf = [&level](const QString &root) {
        QMap<QByteArray, QByteArray> items{
            {"top.txt", TestTree::readFile(root + QStringLiteral("/top.txt"))}};
        int bottom = -1;
        if (DeepTree::follow(root, level, &bottom) != depth)
            items.insert("<depth>", "wrong");
        int error = 0;
        for (const QByteArray &name : NoFollow::listNames(bottom, &error)) {
            QByteArray content(16, Qt::Uninitialized);
            const int file = ::openat(bottom, name.constData(), O_RDONLY);
            content.truncate(qMax<ssize_t>(0, ::read(file, content.data(), size_t(content.size()))));
            ::close(file);
            items.insert(name, content);
        }
        ::close(bottom);
        return items;
    };

    Sandbox sandbox;
    QVERIFY(QDir().mkpath(sandbox.destination()));
    QVERIFY(fill(sandbox.destination(), "old"));
    const QMap<QByteArray, QByteArray> before = contentOf(sandbox.destination());
    const QString firstLevel = sandbox.destination() + QLatin1Char('/') + QString::fromLatin1(level);
    const qint64 levelTime = modifiedNs(firstLevel);
    {
        Extraction extraction(sandbox.destination(), cancel ? ReplacePolicy::Ask : ReplacePolicy::Replace);
        CancellingInteraction cancelling(extraction.cancelled, 2);
        extraction.context = std::make_unique<OperationContext>(extraction.request, extraction.cancelled,
                                                                nullptr, &cancelling);
        extraction.target = std::make_unique<ExtractionTarget>(*extraction.context, sandbox.destination());
        QVERIFY(extraction.target->open().succeeded());
        QVERIFY(fill(extraction.target->stagingPath(), "new"));
        QVERIFY(extraction.target->adoptStagedTree().succeeded());
        const OperationResult result = extraction.target->commit();
        QVERIFY2(result.code == (cancel ? ResultCode::Cancelled : ResultCode::Success),
                 qPrintable(describe(result)));
        QCOMPARE(cancelling.replaceQuestions.size(), cancel ? 2 : 0);
    }
    const QMap<QByteArray, QByteArray> after = contentOf(sandbox.destination());
    if (cancel) {
        QCOMPARE(after, before);
        QCOMPARE(modifiedNs(firstLevel), levelTime);
    } else {
        const QMap<QByteArray, QByteArray> expected{
            {"top.txt", "new"}, {"f", "new"}, {"g", "new"}, {"old-only", "old"}};
        QCOMPARE(after, expected);
    }
    QVERIFY(!holdsPrivateFolder(sandbox.destination()));
}

void TestExtractionTarget::cleanupAfterFailure_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("refused link, destination made by the extraction") << "refused link";
    QTest::newRow("read-only staged folders, reader gives up") << "read-only folders";
    QTest::newRow("deep staged tree left by a program") << "deep tree";
    QTest::newRow("cancelled check") << "cancelled";
    QTest::newRow("unfinished staged file") << "unfinished file";
}

// Whatever ends an extraction early, the target leaves nothing behind: not the staging folder with
// its read-only or deep contents, not the destination folders it made.
void TestExtractionTarget::cleanupAfterFailure()
{
    QFETCH(QString, failure);

    Sandbox sandbox;
    const bool destinationIsNew = failure == QLatin1String("refused link");
    const QString destination =
        destinationIsNew ? sandbox.filePath("new/deeper/dest") : sandbox.destination();
    if (!destinationIsNew)
        QVERIFY(TestTree::build(destination, {{"before.txt", "before"}}));
    const TestTree::Tree outside = sandbox.outside();
    const TestTree::Tree before = destinationIsNew ? TestTree::Tree() : TestTree::snapshot(destination);
    {
        Extraction extraction(destination);
        ExtractionTarget &target = *extraction.target;
        QVERIFY(target.open().succeeded());
        if (failure == QLatin1String("refused link")) {
            QVERIFY(writeEntry(target, QStringLiteral("a/b.txt"), "b").succeeded());
            QVERIFY(target.addLink(QStringLiteral("a/l"), "../../..").succeeded());
            QCOMPARE(target.finishStaging().code, ResultCode::UnsafeEntry);
        } else if (failure == QLatin1String("read-only folders")) {
            QVERIFY(target.createFolder(QStringLiteral("ro/"), metadata(-1, 0500)).succeeded());
            QVERIFY(target.createFolder(QStringLiteral("ro/inner/"), metadata(-1, 0)).succeeded());
            QVERIFY(
                writeEntry(target, QStringLiteral("ro/inner/f.txt"), "f", metadata(-1, 0400)).succeeded());
            QVERIFY(target.createFolder(QStringLiteral("ro/inner/"), metadata(-1, 0500)).succeeded());
            QVERIFY(target.finishStaging().succeeded());
        } else if (failure == QLatin1String("deep tree")) {
            const int bottom = DeepTree::build(target.stagingPath(), "deep-folder-level", 300);
            QVERIFY(bottom >= 0);
            QVERIFY(::mkdirat(bottom, "\xff\xfe", 0755) == 0);
            QVERIFY(::mkfifoat(bottom, "\xff\xfe/pipe", 0644) == 0);
            QVERIFY(::fchmodat(bottom, "\xff\xfe", 0, 0) == 0);
            ::close(bottom);
        } else if (failure == QLatin1String("cancelled")) {
            QVERIFY(TestTree::build(target.stagingPath(), {{"a/b/c.txt", "c"}}));
            extraction.cancelled = true;
            QCOMPARE(target.adoptStagedTree().code, ResultCode::Cancelled);
            QCOMPARE(target.commit().code, ResultCode::Cancelled);
        } else {
            std::unique_ptr<StagedFile> file;
            QVERIFY(target.createFile(QStringLiteral("half.bin"), {}, &file).succeeded());
            QVERIFY(file->write("half", 4).succeeded());
            // The reader drops the file without finishing it, then commits what is left.
            file.reset();
            QVERIFY(target.commit().succeeded());
        }
    }
    if (destinationIsNew)
        QVERIFY(!QFileInfo::exists(sandbox.filePath("new")));
    else
        QCOMPARE(TestTree::snapshot(destination), before);
    QCOMPARE(sandbox.outside(), outside);
}

void TestExtractionTarget::selection_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<TestTree::Tree>("expected");
    QTest::addColumn<QStringList>("unmatched");

    QTest::newRow("two items of one folder")
        << QStringList{"docs/a.txt", "docs/img/"}
        << TestTree::Tree{{"a.txt", "a"}, {"img/", ""}, {"img/x.png", "x"}, {"img/y.png", "y"}}
        << QStringList();
    QTest::newRow("a folder") << QStringList{"docs/"}
                              << TestTree::Tree{{"docs/", ""},
                                                {"docs/a.txt", "a"},
                                                {"docs/img/", ""},
                                                {"docs/img/x.png", "x"},
                                                {"docs/img/y.png", "y"}}
                              << QStringList();
    QTest::newRow("a nested folder without its slash")
        << QStringList{"docs/img"} << TestTree::Tree{{"img/", ""}, {"img/x.png", "x"}, {"img/y.png", "y"}}
        << QStringList();
    QTest::newRow("a file at the top")
        << QStringList{"top.txt"} << TestTree::Tree{{"top.txt", "top"}} << QStringList();
    QTest::newRow("a nested file") << QStringList{"docs/img/x.png"} << TestTree::Tree{{"x.png", "x"}}
                                   << QStringList();
    QTest::newRow("across folders") << QStringList{"docs/a.txt", "other/b.txt"}
                                    << TestTree::Tree{{"docs/", ""},
                                                      {"docs/a.txt", "a"},
                                                      {"other/", ""},
                                                      {"other/b.txt", "b"}}
                                    << QStringList();
    QTest::newRow("a name inside a selected folder")
        << QStringList{"docs/img/", "./docs/img/x.png"}
        << TestTree::Tree{{"img/", ""}, {"img/x.png", "x"}, {"img/y.png", "y"}} << QStringList();
    QTest::newRow("names the archive lacks")
        << QStringList{"top.txt", "docs/missing.txt", "../escape"} << TestTree::Tree{{"top.txt", "top"}}
        << QStringList{"docs/missing.txt", "../escape"};
}

void TestExtractionTarget::selection()
{
    QFETCH(QStringList, selected);
    QFETCH(TestTree::Tree, expected);
    QFETCH(QStringList, unmatched);

    const TestTree::Tree archive{{"docs/", ""},           {"docs/a.txt", "a"},     {"docs/img/", ""},
                                 {"docs/img/x.png", "x"}, {"docs/img/y.png", "y"}, {"other/b.txt", "b"},
                                 {"top.txt", "top"}};
    for (const Route route : {Route::InProcess, Route::Program}) {
        Sandbox sandbox;
        Extraction extraction(sandbox.destination());
        ExtractionTarget &target = *extraction.target;
        target.setSelection(selected);
        QVERIFY(target.open().succeeded());
        if (route == Route::InProcess) {
            QCOMPARE(target.isSelected(QStringLiteral("other/b.txt")), selected.contains("other/b.txt"));
            QVERIFY(target.isSelected(QStringLiteral("../unsafe"))); // so the reader reports it
        }
        OperationResult result = stage(route, target, archive);
        QVERIFY2(result.succeeded(), qPrintable(routeName(route) + (": " + describe(result))));
        QCOMPARE(target.unmatchedSelection(), unmatched);
        result = target.commit();
        QVERIFY2(result.succeeded(), qPrintable(routeName(route) + (": " + describe(result))));
        QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
    }
}

void TestExtractionTarget::secondReaderStartsAfresh_data()
{
    QTest::addColumn<bool>("selected");
    QTest::newRow("whole archive") << false;
    QTest::newRow("selection") << true;
}

// A reader that gave up half-way (files, a read-only folder, a noted link, folder metadata, what a
// program left) is followed by another in the same target: only the second one's tree is placed,
// and a selected name the first reader matched but the second did not is still reported.
void TestExtractionTarget::secondReaderStartsAfresh()
{
    QFETCH(bool, selected);

    Sandbox sandbox;
    Extraction extraction(sandbox.destination());
    ExtractionTarget &target = *extraction.target;
    if (selected)
        target.setSelection({QStringLiteral("top/kept.txt"), QStringLiteral("top/only-first.txt")});
    QVERIFY(target.open().succeeded());
    QVERIFY(writeEntry(target, QStringLiteral("top/only-first.txt"), "first").succeeded());
    QVERIFY(writeEntry(target, QStringLiteral("top/kept.txt"), "first").succeeded());
    QVERIFY(target.createFolder(QStringLiteral("top/ro/"), metadata(86400, 0500)).succeeded());
    QVERIFY(target.addLink(QStringLiteral("top/link"), "kept.txt").succeeded());
    QVERIFY(TestTree::build(target.stagingPath(), {{"top/left-by-a-program.txt", "p"}}));
    QVERIFY(target.unmatchedSelection().isEmpty());

    const OperationResult discarded = target.discardStaged();
    QVERIFY2(discarded.succeeded(), qPrintable(describe(discarded)));
    QCOMPARE(TestTree::snapshot(target.stagingPath()), TestTree::Tree());
    if (selected)
        QCOMPARE(target.unmatchedSelection().size(), 2);
    QVERIFY(writeEntry(target, QStringLiteral("top/kept.txt"), "second").succeeded());
    if (selected)
        QCOMPARE(target.unmatchedSelection(), QStringList{QStringLiteral("top/only-first.txt")});
    QVERIFY(target.finishStaging().succeeded());
    const OperationResult committed = target.commit();
    QVERIFY2(committed.succeeded(), qPrintable(describe(committed)));
    const TestTree::Tree expected = selected ? TestTree::Tree{{"kept.txt", "second"}}
                                             : TestTree::Tree{{"top/", {}}, {"top/kept.txt", "second"}};
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
}

QTEST_GUILESS_MAIN(TestExtractionTarget)
#include "tst_extractiontarget.moc"
