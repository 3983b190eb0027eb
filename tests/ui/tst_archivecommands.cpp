// The archive commands through the real window: the real engine and external programs, the real
// dialogs answered as a user would, on the offscreen platform. The life of an operation (locked
// controls, cancel, closing the window) is tested on an extraction held by its replace question;
// each format also runs end to end.
#include "archiveformat.h"
#include "compressionhandler.h"
#include "mainwindow.h"
#include "modaldialogdriver.h"
#include "testtree.h"
#include "toolrun.h"
#include "uitestenvironment.h"
#include "zipbytes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(ReplaceChoice)
using ReplaceChoices = QMap<QString, ReplaceChoice>;

namespace {

using Driver = ModalDialogDriver;

const QString compressFileTitle = QStringLiteral("file|选择压缩文件保存位置");
const QString compressPasswordPrompt = QStringLiteral("input|输入密码|请输入压缩密码（可选）:");
const QString extractFolderTitle = QStringLiteral("file|选择解压目标目录");
const QString successBox = QStringLiteral("box|成功|操作完成成功");
const QString cancelledBox = QStringLiteral("box|已取消|操作已取消");
const QString exitQuestion = QStringLiteral("box|确认退出|压缩或解压操作仍在进行。要取消该操作并退出吗？");
const QString allArchivesFilter = QStringLiteral("压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)");

QString failureBox(const QString &engineText)
{
    return QStringLiteral("box|错误|操作失败: %1").arg(engineText);
}

QString extractQuestion(const QString &fileName)
{
    return QStringLiteral("box|解压文件|是否要解压 '%1' 到当前目录？").arg(fileName);
}

QString replaceQuestion(const QString &fileName)
{
    return QStringLiteral("replace|确认替换|目标位置已有“%1”。").arg(fileName);
}

// The password prompt of an operation: the archive, and the entry when the archive names it.
bool isPasswordPrompt(const QString &seen, const QString &archiveName, bool sayingWrong)
{
    const QString prefix = QStringLiteral("input|输入密码|");
    if (!seen.startsWith(prefix) || !seen.contains(QStringLiteral("“%1”").arg(archiveName)))
        return false;
    return seen.mid(prefix.size()).startsWith(QStringLiteral("密码错误，请重试。")) == sayingWrong;
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    return TestTree::build(QFileInfo(path).path(), {{QFileInfo(path).fileName(), content}});
}

// The first difference between two trees, or nothing.
QString firstDifference(const TestTree::Tree &expected, const TestTree::Tree &actual)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!actual.contains(it.key()))
            return QStringLiteral("missing %1").arg(it.key());
        if (actual.value(it.key()) != it.value())
            return QStringLiteral("different %1").arg(it.key());
    }
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        if (!expected.contains(it.key()))
            return QStringLiteral("extra %1").arg(it.key());
    }
    return QString();
}

TestTree::Tree withoutTopLevel(TestTree::Tree tree, const QString &name)
{
    for (auto it = tree.begin(); it != tree.end();) {
        if (it.key() == name || it.key().startsWith(name + QLatin1Char('/')))
            it = tree.erase(it);
        else
            ++it;
    }
    return tree;
}

// Sends what the window system sends for the close box of a window's frame or the task bar.
bool closeFromWindowSystem(QWidget *window)
{
    QCloseEvent closeRequest;
    QSpontaneKeyEvent::setSpontaneous(&closeRequest);
    // notify() keeps the event spontaneous, sendEvent() would not.
    qApp->notify(window, &closeRequest);
    return closeRequest.isAccepted();
}

// Where a dialog of the window differs from the same dialog built apart from the window, which no
// style sheet reaches: widgets paired by class, name and order, compared by size hint and colours.
QStringList styleDifferences(QWidget *dialog, QWidget *reference, int *compared)
{
    const auto key = [](QWidget *widget, QHash<QString, int> &seen) {
        const QString name = QStringLiteral("%1#%2").arg(QLatin1String(widget->metaObject()->className()),
                                                         widget->objectName());
        return QStringLiteral("%1/%2").arg(name).arg(seen[name]++);
    };
    QHash<QString, QWidget *> references;
    QHash<QString, int> seen;
    for (QWidget *widget : reference->findChildren<QWidget *>())
        references.insert(key(widget, seen), widget);
    references.insert(QStringLiteral("dialog"), reference);

    QStringList differences;
    seen.clear();
    QList<std::pair<QString, QWidget *>> widgets{{QStringLiteral("dialog"), dialog}};
    for (QWidget *widget : dialog->findChildren<QWidget *>())
        widgets.append({key(widget, seen), widget});
    for (const auto &[name, widget] : widgets) {
        QWidget *twin = references.value(name);
        if (!twin || !widget->isVisible() || !twin->isVisible() || !widget->isEnabled() || !twin->isEnabled())
            continue;
        ++*compared;
        // Sizes of editors and buttons that show the same text; a size grown by padding shows.
        const bool sized = (qobject_cast<QLineEdit *>(widget) || qobject_cast<QAbstractButton *>(widget) ||
                            qobject_cast<QComboBox *>(widget)) &&
                           widget->property("text") == twin->property("text") &&
                           widget->property("currentText") == twin->property("currentText");
        if (sized && widget->sizeHint() != twin->sizeHint()) {
            differences.append(QStringLiteral("%1 size %2x%3, apart %4x%5")
                                   .arg(name)
                                   .arg(widget->sizeHint().width())
                                   .arg(widget->sizeHint().height())
                                   .arg(twin->sizeHint().width())
                                   .arg(twin->sizeHint().height()));
        }
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Base,
                                               QPalette::Text, QPalette::Button, QPalette::ButtonText}) {
            if (widget->palette().color(role) != twin->palette().color(role))
                differences.append(
                    QStringLiteral("%1 colour %2: %3, apart %4")
                        .arg(name)
                        .arg(int(role))
                        .arg(widget->palette().color(role).name(), twin->palette().color(role).name()));
        }
    }
    return differences;
}

} // namespace

class TestArchiveCommands : public QObject
{
    Q_OBJECT

public:
    explicit TestArchiveCommands(const UiTestEnvironment &environment) : environment(environment) {}

public slots:
    // Stands in for the desktop's default application of local files.
    void recordOpenedUrl(const QUrl &url) { openedUrls.append(url); }

private slots:
    void init();
    void cleanup();

    void selectionRule_data();
    void selectionRule();
    void saveDialogFilters();
    void compressAndExtractRoundTrip_data();
    void compressAndExtractRoundTrip();
    void saveNameChoosesFormat_data();
    void saveNameChoosesFormat();
    void emptySelectionWarns_data();
    void emptySelectionWarns();
    void cancelledDialogsStartNothing_data();
    void cancelledDialogsStartNothing();
    void replacingAnArchive_data();
    void replacingAnArchive();
    void resultBoxStandsAlone_data();
    void resultBoxStandsAlone();
    void toolkitDialogsKeepTheToolkitStyle_data();
    void toolkitDialogsKeepTheToolkitStyle();

    void noPasswordAskedWithoutEncryption_data();
    void noPasswordAskedWithoutEncryption();
    void wrongThenRightPassword_data();
    void wrongThenRightPassword();
    void replaceQuestionAnswers_data();
    void replaceQuestionAnswers();
    void interfaceLanguageReadsLegacyNames();

    void controlsLockedWhileRunning();
    void cancelStopsTheOperation_data();
    void cancelStopsTheOperation();
    void cancelStopsARunningCreation_data();
    void cancelStopsARunningCreation();
    void closeDuringOperation_data();
    void closeDuringOperation();
    void engineRefusalShownInFailureBox_data();
    void engineRefusalShownInFailureBox();
    void doubleClickOnOtherEntries();
    void keyboardAccess();

private:
    QAbstractButton *button(const char *name) const;
    QTreeView *tree() const;
    QFileSystemModel *model() const;
    CompressionHandler *handler() const;
    QProgressDialog *progressDialog() const;
    void showFolder(const QString &path);
    void select(const QStringList &paths);
    void doubleClick(const QString &path);
    void makeInputTree();
    // Incompressible files large enough that creating an archive of them is still running when the
    // test acts; written once for the whole run.
    QString largeInput();
    // A folder holding "held.zip" and the files it would replace; quick extract there is held by the
    // replace question for "clash.txt" until the test answers it.
    QString makeHeldExtraction();
    void startHeldExtraction(const QString &folder);
    void waitUntilMidOperation();
    QString state(const Driver &answers) const;

    const UiTestEnvironment &environment;
    QList<QUrl> openedUrls;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<MainWindow> window;
    QString input;
    QString sharedLargeInput;
};

void TestArchiveCommands::init()
{
    // Each case starts from the source language and the desktop folder.
    QSettings(QStringLiteral("Kelvane"), QStringLiteral("Kelvane")).clear();
    work = std::make_unique<QTemporaryDir>(environment.workPath() + QStringLiteral("/XXXXXX"));
    QVERIFY(work->isValid());
    input = work->filePath(QStringLiteral("input"));
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestArchiveCommands::cleanup()
{
    window.reset();
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    work.reset();
}

QAbstractButton *TestArchiveCommands::button(const char *name) const
{
    return window->findChild<QAbstractButton *>(QLatin1String(name));
}

QTreeView *TestArchiveCommands::tree() const
{
    return window->findChild<QTreeView *>(QStringLiteral("fileTreeView"));
}

QFileSystemModel *TestArchiveCommands::model() const
{
    return qobject_cast<QFileSystemModel *>(tree()->model());
}

CompressionHandler *TestArchiveCommands::handler() const
{
    return window->findChild<CompressionHandler *>();
}

QProgressDialog *TestArchiveCommands::progressDialog() const
{
    if (!window)
        return nullptr;
    for (QProgressDialog *dialog : window->findChildren<QProgressDialog *>()) {
        if (dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Types the folder into the path field, as a user would, and waits until the tree lists it.
void TestArchiveCommands::showFolder(const QString &path)
{
    auto *pathEdit = window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
    pathEdit->setText(path);
    QTest::keyClick(pathEdit, Qt::Key_Return);
    QTRY_COMPARE(model()->filePath(tree()->rootIndex()), path);
    QTRY_COMPARE(model()->rowCount(tree()->rootIndex()), entriesOf(path).size());
}

void TestArchiveCommands::select(const QStringList &paths)
{
    QItemSelectionModel *selection = tree()->selectionModel();
    selection->clearSelection();
    for (const QString &path : paths) {
        const QModelIndex index = model()->index(path);
        QVERIFY2(index.isValid(), qPrintable(path));
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

void TestArchiveCommands::doubleClick(const QString &path)
{
    const QModelIndex index = model()->index(path);
    QVERIFY2(index.isValid(), qPrintable(path));
    for (QModelIndex parent = index.parent(); parent.isValid() && parent != tree()->rootIndex();
         parent = parent.parent())
        tree()->expand(parent);
    tree()->scrollTo(index);
    QTRY_VERIFY(tree()->visualRect(index).isValid());
    // A user's double-click is a click followed by the double-click event. The tree ignores it
    // while it animates an expansion, and rows move while a deep folder is still being listed,
    // so click again until it has been taken; a busy machine may need seconds for that.
    QSignalSpy doubleClicks(tree(), &QAbstractItemView::doubleClicked);
    const QPersistentModelIndex row(index);
    const QDeadlineTimer deadline(30000);
    for (bool first = true; doubleClicks.isEmpty() && !deadline.hasExpired(); first = false) {
        if (!first)
            QTest::qWait(20);
        tree()->scrollTo(row);
        const QPoint centre = tree()->visualRect(row).center();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centre);
    }
    QCOMPARE(doubleClicks.size(), 1);
}

// A folder with nested and empty folders, an empty file, Chinese names, and two loose files.
void TestArchiveCommands::makeInputTree()
{
    QVERIFY(TestTree::build(input,
                            {
                                {QStringLiteral("docs/readme.txt"), "read me\n"},
                                {QStringLiteral("docs/说明.txt"), QStringLiteral("中文内容\n").toUtf8()},
                                {QStringLiteral("docs/nested/deep/data.bin"), TestTree::randomBytes(70000)},
                                {QStringLiteral("docs/empty.txt"), QByteArray()},
                                {QStringLiteral("docs/empty folder/"), QByteArray()},
                                {QStringLiteral("a.txt"), QByteArray(5000, 'a')},
                                {QStringLiteral("b.bin"), TestTree::randomBytes(300000)},
                            }));
}

QString TestArchiveCommands::largeInput()
{
    if (sharedLargeInput.isEmpty()) {
        const QString folder = environment.workPath() + QStringLiteral("/shared/large");
        for (int part = 0; part < 4; ++part) {
            if (!writeFile(folder + QStringLiteral("/part%1.bin").arg(part), TestTree::randomBytes(48 << 20)))
                return QString();
        }
        sharedLargeInput = folder;
    }
    return sharedLargeInput;
}

QString TestArchiveCommands::makeHeldExtraction()
{
    const QString folder = work->filePath(QStringLiteral("held"));
    const bool built = TestTree::build(folder, {{QStringLiteral("clash.txt"), "the user's own text\n"}}) &&
                       ZipBytes::write(folder + QStringLiteral("/held.zip"),
                                       {ZipBytes::unixFile("first.txt", "first entry\n"),
                                        ZipBytes::unixFile("clash.txt", "the archive's text\n")});
    return built ? folder : QString();
}

void TestArchiveCommands::startHeldExtraction(const QString &folder)
{
    showFolder(folder);
    select({folder + QStringLiteral("/held.zip")});
    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
}

QString TestArchiveCommands::state(const Driver &answers) const
{
    QString text =
        answers.state() +
        QStringLiteral("; running tasks: %1").arg(QThreadPool::globalInstance()->activeThreadCount());
    if (QProgressDialog *dialog = progressDialog()) {
        text += QStringLiteral("; progress dialog at %1: %2").arg(dialog->value()).arg(dialog->labelText());
    }
    return text;
}

void TestArchiveCommands::waitUntilMidOperation()
{
    // The first progress of a program may take seconds on a busy machine.
    QTRY_VERIFY_WITH_TIMEOUT(progressDialog() && progressDialog()->value() > 0, 60000);
    QVERIFY2(progressDialog()->value() < 100, "the operation ended before the test could act");
}

void TestArchiveCommands::selectionRule_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("compressAndDelete");
    QTest::addColumn<bool>("extract");

    QTest::newRow("nothing") << QStringList() << false << false;
    QTest::newRow("folders only") << QStringList{"folderA", "folderB"} << true << false;
    QTest::newRow("text file and upper-case zip") << QStringList{"notes.txt", "Backup.ZIP"} << true << true;
    QTest::newRow("archive last of three") << QStringList{"notes.txt", "folderA", "x.7z"} << true << true;
    QTest::newRow("folder named like an archive") << QStringList{"photos.zip"} << true << true;
    QTest::newRow("tar.gz") << QStringList{"data.tar.gz"} << true << true;
    for (const char *name : {"data.tgz", "data.tbz2", "data.txz"})
        QTest::newRow(name) << QStringList{QString::fromLatin1(name)} << true << true;
    QTest::newRow("no dot") << QStringList{"README"} << true << false;
    QTest::newRow("bz2 and xz") << QStringList{"a.bz2", "b.xz"} << true << true;
    QTest::newRow("tar") << QStringList{"plain.TAR"} << true << true;
    // Offered exactly when some backend reads it.
    QTest::newRow("rar as the registry says")
        << QStringList{"old.rar"} << true << FormatRegistry::canExtract(QStringLiteral("old.rar"));
}

void TestArchiveCommands::selectionRule()
{
    QFETCH(QStringList, selected);
    QFETCH(bool, compressAndDelete);
    QFETCH(bool, extract);

    TestTree::Tree files;
    for (const char *name : {"notes.txt", "Backup.ZIP", "x.7z", "data.tar.gz", "data.tgz", "data.tbz2",
                             "data.txz", "README", "old.rar", "a.bz2", "b.xz", "plain.TAR"})
        files.insert(QLatin1String(name), "x");
    for (const char *name : {"folderA/", "folderB/", "photos.zip/"})
        files.insert(QLatin1String(name), QByteArray());
    QVERIFY(TestTree::build(input, files));
    showFolder(input);

    // Start from the opposite state, so every row shows the rule switching the buttons.
    select({input + QStringLiteral("/README")});
    select({input + QStringLiteral("/Backup.ZIP")});
    if (extract)
        select({input + QStringLiteral("/README")});
    QStringList paths;
    for (const QString &name : selected)
        paths.append(input + QLatin1Char('/') + name);
    select(paths);

    QCOMPARE(button("addButton")->isEnabled(), compressAndDelete);
    QCOMPARE(button("deleteButton")->isEnabled(), compressAndDelete);
    QCOMPARE(button("extractToButton")->isEnabled(), extract);
    QCOMPARE(button("extractHereButton")->isEnabled(), extract);
}

// The save dialog offers every archive first, in the words users know, then one filter per format
// the registry can create; nothing is offered that cannot be created. The folder dialog of Extract
// To shows folders only.
void TestArchiveCommands::saveDialogFilters()
{
    QVERIFY(writeFile(input + QStringLiteral("/notes.txt"), "some notes\n"));
    showFolder(input);
    select({input + QStringLiteral("/notes.txt")});
    Driver answers;
    answers.then(Driver::chooseFile(QString(), &answers.details));
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    QTRY_VERIFY2(answers.finished(), qPrintable(state(answers)));
    QCOMPARE(answers.seen, QStringList{compressFileTitle});
    QCOMPARE(answers.details.value(0), input);
    QCOMPARE(answers.details.value(1), input + QStringLiteral("/archive.zip"));

    const QStringList filters = answers.details.value(2).split(QStringLiteral(";;"));
    QCOMPARE(filters.first(), allArchivesFilter);
    QStringList offered;
    for (const QString &filter : filters) {
        const QString patterns = filter.section(QLatin1Char('('), 1).chopped(1);
        for (const QString &pattern : patterns.split(QLatin1Char(' '))) {
            QVERIFY2(FormatRegistry::canCreate(QStringLiteral("archive") + pattern.mid(1)),
                     qPrintable(pattern));
            offered.append(pattern);
        }
    }
    for (const QString &pattern : FormatRegistry::creatablePatterns())
        QVERIFY2(offered.contains(pattern), qPrintable(pattern));
    QVERIFY(filters.contains(QStringLiteral("tar.gz (*.tar.gz *.tgz)")));

    QVERIFY(writeFile(input + QStringLiteral("/a.zip"), "not really"));
    select({input + QStringLiteral("/a.zip")});
    Driver folderAnswers;
    folderAnswers.then(Driver::chooseFile(QString(), &folderAnswers.details));
    QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
    QTRY_VERIFY2(folderAnswers.finished(), qPrintable(state(folderAnswers)));
    QCOMPARE(folderAnswers.seen, QStringList{extractFolderTitle});
    QCOMPARE(folderAnswers.details.value(0), input);
    QCOMPARE(folderAnswers.details.value(3), QStringLiteral("dirs only"));
}

void TestArchiveCommands::compressAndExtractRoundTrip_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QStringList>("readerArguments");

    const QStringList bsdtarTest{QStringLiteral("-tf")};
    QTest::newRow("zip") << "backup.zip"
                         << ""
                         << "unzip" << QStringList{"-tq"};
    QTest::newRow("zip with password") << "secret.zip"
                                       << "密码 pass"
                                       << "7z" << QStringList{"t", "-p密码 pass"};
    QTest::newRow("7z") << "backup.7z"
                        << ""
                        << "7z" << QStringList{"t"};
    QTest::newRow("7z with password") << "secret.7z"
                                      << "s3cret"
                                      << "7z" << QStringList{"t", "-ps3cret"};
    QTest::newRow("tar") << "backup.tar"
                         << ""
                         << "bsdtar" << bsdtarTest;
    QTest::newRow("tar.gz") << "backup.tar.gz"
                            << ""
                            << "bsdtar" << bsdtarTest;
    QTest::newRow("tgz") << "backup.tgz"
                         << ""
                         << "bsdtar" << bsdtarTest;
    QTest::newRow("tar.bz2") << "backup.tar.bz2"
                             << ""
                             << "bsdtar" << bsdtarTest;
    QTest::newRow("tar.xz") << "backup.tar.xz"
                            << ""
                            << "bsdtar" << bsdtarTest;
}

// Compresses a folder and two files through the toolbar, then unpacks the archive three ways:
// extract to a chosen folder, quick extract and double-click (both into the shown folder, from a
// subfolder expanded in the tree), each compared byte for byte with the originals. A password is
// asked on creation only for formats that keep one, and on extraction only by an encrypted archive.
void TestArchiveCommands::compressAndExtractRoundTrip()
{
    QFETCH(QString, archiveName);
    QFETCH(QString, password);
    QFETCH(QString, reader);
    QFETCH(QStringList, readerArguments);

    makeInputTree();
    if (QTest::currentTestFailed())
        return;
    const TestTree::Tree originals = TestTree::snapshot(input);
    const QString archives = work->filePath(QStringLiteral("archives"));
    QVERIFY(QDir().mkpath(archives));
    const QString archivePath = archives + QLatin1Char('/') + archiveName;
    const QStringList tempBefore = entriesOf(environment.temporaryPath());
    const bool holdsPassword =
        FormatRegistry::info(FormatRegistry::formatForFileName(archiveName)).canHoldPassword;

    showFolder(input);
    select({input + QStringLiteral("/docs"), input + QStringLiteral("/a.txt"),
            input + QStringLiteral("/b.bin")});
    {
        Driver answers;
        answers.then(Driver::chooseFile(archivePath));
        QStringList expected{compressFileTitle};
        if (holdsPassword) {
            answers.then(Driver::enterPassword(password));
            expected << compressPasswordPrompt;
        }
        answers.then(Driver::press(QMessageBox::Ok));
        expected << successBox;
        QTest::mouseClick(button("addButton"), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 120000);
        QCOMPARE(answers.seen, expected);
    }
    QVERIFY(QFileInfo::exists(archivePath));
    QCOMPARE(entriesOf(input), (QStringList{"a.txt", "b.bin", "docs"}));
    QCOMPARE(entriesOf(environment.temporaryPath()), tempBefore);
    const ToolRun check = ToolRun::run(reader, readerArguments << archivePath);
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));

    // Extraction answers the operation's own password prompt when the archive is encrypted.
    const auto extractionSteps = [&password](Driver &answers) {
        if (!password.isEmpty())
            answers.then(Driver::enterPassword(password));
        answers.then(Driver::press(QMessageBox::Ok));
    };
    const auto checkExtractionDialogs = [&](const Driver &answers, const QStringList &before) {
        QCOMPARE(answers.seen.mid(0, before.size()), before);
        const QStringList rest = answers.seen.mid(before.size());
        QCOMPARE(rest.size(), password.isEmpty() ? 1 : 2);
        if (!password.isEmpty())
            QVERIFY2(isPasswordPrompt(rest.first(), archiveName, false), qPrintable(rest.first()));
        QCOMPARE(rest.last(), successBox);
    };

    // Extract to: the archive is selected in its own folder, the destination picked in the dialog.
    const QString chosen = work->filePath(QStringLiteral("chosen"));
    QVERIFY(QDir().mkpath(chosen));
    showFolder(archives);
    select({archivePath});
    {
        Driver answers;
        answers.then(Driver::chooseFile(chosen));
        extractionSteps(answers);
        QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 120000);
        checkExtractionDialogs(answers, {extractFolderTitle});
    }
    QCOMPARE(firstDifference(originals, TestTree::snapshot(chosen)), QString());

    // Quick extract and double-click unpack into the shown folder, not next to the archive.
    for (const bool byDoubleClick : {false, true}) {
        const QString shown =
            work->filePath(byDoubleClick ? QStringLiteral("clicked") : QStringLiteral("quick"));
        const QString copy = shown + QStringLiteral("/archives/") + archiveName;
        QVERIFY(QDir().mkpath(shown + QStringLiteral("/archives")));
        QVERIFY(QFile::copy(archivePath, copy));
        showFolder(shown);
        tree()->expand(model()->index(shown + QStringLiteral("/archives")));
        QTRY_COMPARE(model()->rowCount(model()->index(shown + QStringLiteral("/archives"))), 1);
        Driver answers;
        if (byDoubleClick) {
            answers.then(Driver::press(QMessageBox::Yes));
            extractionSteps(answers);
            doubleClick(copy);
            QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 120000);
            checkExtractionDialogs(answers, {extractQuestion(archiveName)});
        } else {
            select({copy});
            extractionSteps(answers);
            QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
            QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 120000);
            checkExtractionDialogs(answers, {});
        }
        QCOMPARE(firstDifference(originals,
                                 withoutTopLevel(TestTree::snapshot(shown), QStringLiteral("archives"))),
                 QString());
        QCOMPARE(entriesOf(shown + QStringLiteral("/archives")), QStringList{archiveName});
        // The success box was dismissed before the view was refreshed; the new entries are listed.
        QTRY_COMPARE(model()->rowCount(tree()->rootIndex()), entriesOf(shown).size());
    }
    QCOMPARE(entriesOf(environment.temporaryPath()), tempBefore);
}

void TestArchiveCommands::saveNameChoosesFormat_data()
{
    QTest::addColumn<QString>("saveName");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("writtenName");
    QTest::addColumn<QByteArray>("magic");
    QTest::addColumn<int>("magicOffset");
    QTest::addColumn<QString>("engineText");

    const QString all = allArchivesFilter;
    QTest::newRow("zip") << "backup.zip" << all << "backup.zip" << QByteArray("PK\x03\x04") << 0 << "";
    QTest::newRow("7z") << "backup.7z" << all << "backup.7z" << QByteArray("7z\xBC\xAF\x27\x1C") << 0 << "";
    QTest::newRow("upper-case TAR") << "backup.TAR" << all << "backup.TAR" << QByteArray("ustar") << 257
                                    << "";
    QTest::newRow("gz") << "backup.gz" << all << "backup.gz" << QByteArray("\x1F\x8B") << 0 << "";
    QTest::newRow("upper-case GZ") << "BACKUP.GZ" << all << "BACKUP.GZ" << QByteArray("\x1F\x8B") << 0 << "";
    QTest::newRow("tgz") << "backup.tgz" << all << "backup.tgz" << QByteArray("\x1F\x8B") << 0 << "";
    QTest::newRow("tbz2") << "backup.tbz2" << all << "backup.tbz2" << QByteArray("BZh") << 0 << "";
    QTest::newRow("txz") << "backup.txz" << all << "backup.txz"
                         << QByteArray("\xFD"
                                       "7zXZ")
                         << 0 << "";
    QTest::newRow("tar.gz filter, no ending typed") << "backup"
                                                    << "tar.gz (*.tar.gz *.tgz)"
                                                    << "backup.tar.gz" << QByteArray("\x1F\x8B") << 0 << "";
    QTest::newRow("7z filter, unknown ending typed")
        << "notes.v2"
        << "7z (*.7z)"
        << "notes.v2.7z" << QByteArray("7z\xBC\xAF\x27\x1C") << 0 << "";
    QTest::newRow("zip filter, a known ending typed wins")
        << "backup.tar"
        << "zip (*.zip)"
        << "backup.tar" << QByteArray("ustar") << 257 << "";
    QTest::newRow("rar is refused") << "backup.rar" << all << "backup.rar" << QByteArray() << 0
                                    << "压缩格式 RAR 暂不支持";
    QTest::newRow("no suffix is refused")
        << "backup" << all << "backup" << QByteArray() << 0 << "压缩格式  暂不支持";
}

// The name typed (completed by the chosen filter) decides the format; a password is offered only
// for formats that keep one.
void TestArchiveCommands::saveNameChoosesFormat()
{
    QFETCH(QString, saveName);
    QFETCH(QString, filter);
    QFETCH(QString, writtenName);
    QFETCH(QByteArray, magic);
    QFETCH(int, magicOffset);
    QFETCH(QString, engineText);

    QVERIFY(writeFile(input + QStringLiteral("/notes.txt"), "some notes\n"));
    const QString archivePath = work->filePath(writtenName);
    const bool holdsPassword =
        FormatRegistry::info(FormatRegistry::formatForFileName(writtenName)).canHoldPassword;
    showFolder(input);
    select({input + QStringLiteral("/notes.txt")});
    Driver answers;
    answers.then(Driver::chooseFileWithFilter(work->filePath(saveName), filter));
    QStringList expected{compressFileTitle};
    if (holdsPassword) {
        answers.then(Driver::enterPassword(QString()));
        expected << compressPasswordPrompt;
    }
    answers.then(Driver::press(QMessageBox::Ok));
    expected << (engineText.isEmpty() ? successBox : failureBox(engineText));
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QCOMPARE(answers.seen, expected);

    if (engineText.isEmpty()) {
        QCOMPARE(TestTree::readFile(archivePath).mid(magicOffset, magic.size()), magic);
        QStringList written{QStringLiteral("input"), writtenName};
        written.sort();
        QCOMPARE(entriesOf(work->path()), written);
    } else {
        QVERIFY(!QFileInfo::exists(archivePath));
    }
}

void TestArchiveCommands::emptySelectionWarns_data()
{
    QTest::addColumn<QByteArray>("buttonName");
    QTest::addColumn<QString>("warning");

    QTest::newRow("compress") << QByteArray("addButton") << "box|警告|请选择要压缩的文件或文件夹";
    QTest::newRow("extract to") << QByteArray("extractToButton") << "box|警告|请选择要解压的压缩文件";
    QTest::newRow("quick extract") << QByteArray("extractHereButton") << "box|警告|请选择要解压的压缩文件";
}

// After an operation every action button is enabled, also with nothing selected, until the
// selection next changes; pressing one then warns and opens no other dialog.
void TestArchiveCommands::emptySelectionWarns()
{
    QFETCH(QByteArray, buttonName);
    QFETCH(QString, warning);

    QVERIFY(writeFile(input + QStringLiteral("/notes.txt"), "some notes\n"));
    showFolder(input);
    select({input + QStringLiteral("/notes.txt")});
    {
        Driver answers;
        // The selection goes while the command's dialogs are up (as when the file disappears).
        const auto clearSelection = [this] { tree()->selectionModel()->clearSelection(); };
        answers.then(Driver::chooseFile(work->filePath(QStringLiteral("n.zip"))))
            .then(Driver::enterPassword(QString(), clearSelection))
            .then(Driver::press(QMessageBox::Ok));
        QTest::mouseClick(button("addButton"), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
        QCOMPARE(answers.seen.last(), successBox);
    }
    QVERIFY(!tree()->selectionModel()->hasSelection());
    for (const char *name : {"addButton", "extractToButton", "extractHereButton", "deleteButton"})
        QVERIFY2(button(name)->isEnabled(), name);

    Driver answers;
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button(buttonName.constData()), Qt::LeftButton);
    QTRY_VERIFY2(answers.finished(), qPrintable(state(answers)));
    QTest::qWait(100);
    QCOMPARE(answers.seen, QStringList{warning});
    QVERIFY(!progressDialog());
}

void TestArchiveCommands::cancelledDialogsStartNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("compress, save dialog cancelled") << "compress";
    QTest::newRow("extract to, folder dialog cancelled") << "extract to";
    QTest::newRow("double-click, answer No") << "double-click";
}

void TestArchiveCommands::cancelledDialogsStartNothing()
{
    QFETCH(QString, command);

    QVERIFY(writeFile(input + QStringLiteral("/a.zip"), "not really"));
    showFolder(input);
    const QStringList before = entriesOf(input);
    Driver answers;
    if (command == QLatin1String("compress")) {
        select({input + QStringLiteral("/a.zip")});
        answers.then(Driver::reject());
        QTest::mouseClick(button("addButton"), Qt::LeftButton);
    } else if (command == QLatin1String("extract to")) {
        select({input + QStringLiteral("/a.zip")});
        answers.then(Driver::reject());
        QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
    } else {
        answers.then(Driver::press(QMessageBox::No));
        doubleClick(input + QStringLiteral("/a.zip"));
    }
    QTRY_VERIFY2(answers.finished(), qPrintable(state(answers)));
    QTest::qWait(200);
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(!progressDialog());
    QVERIFY(button("addButton")->isEnabled());
    QCOMPARE(entriesOf(input), before);
}

void TestArchiveCommands::replacingAnArchive_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<bool>("cancelled");

    for (const char *name : {"old.zip", "old.7z", "old.tar", "old.tar.gz"})
        QTest::addRow("%s replaced", name) << QString::fromLatin1(name) << false;
    for (const char *name : {"old.zip", "old.tar.gz"})
        QTest::addRow("%s, replacement cancelled", name) << QString::fromLatin1(name) << true;
}

// Saving over an existing archive (after the save dialog's own question) leaves only the new
// content; cancelling the replacement leaves the old archive as it was.
void TestArchiveCommands::replacingAnArchive()
{
    QFETCH(QString, archiveName);
    QFETCH(bool, cancelled);

    QVERIFY(writeFile(work->filePath(QStringLiteral("old.txt")), "the old archive's entry\n"));
    const QString archivePath = work->filePath(archiveName);
    const ToolRun made = ToolRun::run(QStringLiteral("bsdtar"),
                                      {QStringLiteral("-a"), QStringLiteral("-cf"), archivePath,
                                       QStringLiteral("-C"), work->path(), QStringLiteral("old.txt")});
    QVERIFY2(made.exitCode == 0, qPrintable(made.output));
    const QByteArray oldContent = TestTree::readFile(archivePath);
    const QString source = cancelled ? largeInput() : input + QStringLiteral("/large");
    QVERIFY(!source.isEmpty());
    if (!cancelled)
        QVERIFY(writeFile(source + QStringLiteral("/new.txt"), "the new archive's entry\n"));

    showFolder(QFileInfo(source).path());
    select({source});
    Driver answers;
    answers.then(Driver::chooseFile(archivePath)).then(Driver::press(QMessageBox::Yes));
    if (FormatRegistry::info(FormatRegistry::formatForFileName(archiveName)).canHoldPassword)
        answers.then(Driver::enterPassword(QString()));
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    if (cancelled) {
        waitUntilMidOperation();
        if (QTest::currentTestFailed())
            return;
        progressDialog()->findChild<QAbstractButton *>()->click();
    }
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 120000);
    QVERIFY2(answers.seen.value(1).contains(archiveName), qPrintable(answers.seen.value(1)));
    QCOMPARE(answers.seen.last(), cancelled ? cancelledBox : successBox);

    const ToolRun listing = ToolRun::run(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), archivePath});
    QCOMPARE(listing.exitCode, 0);
    if (cancelled)
        QCOMPARE(TestTree::readFile(archivePath), oldContent);
    else
        QCOMPARE(listing.output.trimmed().split(QLatin1Char('\n')), (QStringList{"large/", "large/new.txt"}));
}

void TestArchiveCommands::resultBoxStandsAlone_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("small zip") << "compress";
    QTest::newRow("small extraction") << "extract here";
}

// A quick operation ends before the progress dialog's minimum duration; while its result box is
// read, for longer than that duration, no progress dialog comes back over it.
void TestArchiveCommands::resultBoxStandsAlone()
{
    QFETCH(QString, command);

    QVERIFY(writeFile(input + QStringLiteral("/notes.txt"), "some notes\n"));
    const QString archivePath = input + QStringLiteral("/notes.zip");
    QVERIFY(ZipBytes::write(archivePath, {ZipBytes::unixFile("inner.txt", "inner\n")}));
    showFolder(input);

    QStringList visibleUnderTheBox;
    const int minimumDuration = QProgressDialog().minimumDuration();
    const Driver::Step readTheBox = [&](QWidget *box) {
        QTest::qWait(minimumDuration + 1000);
        for (const QProgressDialog *shown : window->findChildren<QProgressDialog *>()) {
            if (shown->isVisible())
                visibleUnderTheBox.append(
                    QStringLiteral("%1 at %2").arg(shown->labelText()).arg(shown->value()));
        }
        Driver::press(QMessageBox::Ok)(box);
    };
    Driver answers;
    if (command == QLatin1String("compress")) {
        select({input + QStringLiteral("/notes.txt")});
        answers.then(Driver::chooseFile(work->filePath(QStringLiteral("new.zip"))))
            .then(Driver::enterPassword(QString()));
        answers.then(readTheBox);
        QTest::mouseClick(button("addButton"), Qt::LeftButton);
    } else {
        select({archivePath});
        answers.then(readTheBox);
        QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QCOMPARE(answers.seen.last(), successBox);
    QVERIFY(minimumDuration > 0);
    QCOMPARE(visibleUnderTheBox, QStringList());
    QTRY_VERIFY(!progressDialog());
}

void TestArchiveCommands::toolkitDialogsKeepTheToolkitStyle_data()
{
    QTest::addColumn<QByteArray>("buttonName");
    QTest::addColumn<QString>("kind");

    QTest::newRow("save dialog") << QByteArray("addButton") << "file";
    QTest::newRow("folder dialog") << QByteArray("extractToButton") << "file";
    QTest::newRow("password prompt") << QByteArray("extractHereButton") << "input";
    QTest::newRow("question box") << QByteArray("deleteButton") << "box";
}

// The window's light theme styles the window, not the toolkit's dialogs it opens: their editors
// and buttons have the size and colours they have anywhere else.
void TestArchiveCommands::toolkitDialogsKeepTheToolkitStyle()
{
    QFETCH(QByteArray, buttonName);
    QFETCH(QString, kind);

    // Encrypted, so extracting it opens the password prompt.
    const QString archivePath = input + QStringLiteral("/a.zip");
    QVERIFY(writeFile(input + QStringLiteral("/inner.txt"), "inner\n"));
    const ToolRun made = ToolRun::run(QStringLiteral("zip"),
                                      {QStringLiteral("-qj"), QStringLiteral("-P"), QStringLiteral("pw"),
                                       archivePath, input + QStringLiteral("/inner.txt")});
    QVERIFY2(made.exitCode == 0, qPrintable(made.output));
    QVERIFY(QFile::remove(input + QStringLiteral("/inner.txt")));
    showFolder(input);
    select({archivePath});

    QStringList differences;
    int compared = 0;
    Driver answers;
    answers.then([&](QWidget *dialog) {
        std::unique_ptr<QDialog> reference;
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            auto *apart = new QFileDialog(nullptr, files->windowTitle(), files->directory().absolutePath());
            apart->setOptions(files->options());
            apart->setFileMode(files->fileMode());
            apart->setAcceptMode(files->acceptMode());
            apart->setNameFilters(files->nameFilters());
            reference.reset(apart);
        } else if (auto *prompt = qobject_cast<QInputDialog *>(dialog)) {
            auto *apart = new QInputDialog;
            apart->setWindowTitle(prompt->windowTitle());
            apart->setLabelText(prompt->labelText());
            apart->setTextEchoMode(prompt->textEchoMode());
            reference.reset(apart);
        } else if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            reference = std::make_unique<QMessageBox>(box->icon(), box->windowTitle(), box->text(),
                                                      box->standardButtons());
        }
        // No style sheet reaches the dialog, neither the application's nor one of its parents'.
        QWidgetList widgets = dialog->findChildren<QWidget *>();
        widgets.append(dialog);
        for (QWidget *widget : std::as_const(widgets)) {
            if (widget->style()->inherits("QStyleSheetStyle"))
                differences.append(
                    QStringLiteral("%1 %2 styled by a sheet")
                        .arg(QLatin1String(widget->metaObject()->className()), widget->objectName()));
        }
        if (reference) {
            // A message box is modal from birth; the reference must not pass for the next dialog.
            reference->setWindowModality(Qt::NonModal);
            reference->resize(dialog->size());
            reference->show();
            QVERIFY(QTest::qWaitForWindowExposed(reference.get()));
            differences += styleDifferences(dialog, reference.get(), &compared);
        }
        qobject_cast<QDialog *>(dialog)->reject();
    });
    if (kind == QLatin1String("input"))
        answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button(buttonName.constData()), Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QVERIFY(answers.seen.first().startsWith(kind + QLatin1Char('|')));
    QVERIFY2(compared >= 3, qPrintable(QString::number(compared)));
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QStringLiteral("; "))));
}

void TestArchiveCommands::noPasswordAskedWithoutEncryption_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("zip") << "plain.zip"
                         << "zip" << QStringList{"-qr"};
    QTest::newRow("7z") << "plain.7z"
                        << "7z" << QStringList{"a", "-bso0"};
    QTest::newRow("tar.gz") << "plain.tar.gz"
                            << "bsdtar" << QStringList{"-czf"};
}

// Extracting an archive without encryption opens no password prompt: the only dialog is the result.
void TestArchiveCommands::noPasswordAskedWithoutEncryption()
{
    QFETCH(QString, archiveName);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    QVERIFY(TestTree::build(work->filePath(QStringLiteral("source")),
                            {{QStringLiteral("notes.txt"), "notes\n"}}));
    const QString archivePath = input + QLatin1Char('/') + archiveName;
    QVERIFY(QDir().mkpath(input));
    const ToolRun made = ToolRun::run(program, arguments << archivePath << QStringLiteral("notes.txt"),
                                      work->filePath(QStringLiteral("source")));
    QVERIFY2(made.exitCode == 0, qPrintable(made.output));
    showFolder(input);
    select({archivePath});

    Driver answers;
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QTest::qWait(100);
    QCOMPARE(answers.seen, QStringList{successBox});
    QCOMPARE(TestTree::readFile(input + QStringLiteral("/notes.txt")), QByteArray("notes\n"));
}

void TestArchiveCommands::wrongThenRightPassword_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("giveUp");

    // AES archives of the engine's own writing: libzip 1.7.3 cannot read the AE-2 entries of 20 bytes
    // and more that 7-Zip writes (it checks their CRC, which AE-2 leaves at zero).
    const QStringList aes;
    const QStringList traditional{"-qr", "-P", "right"};
    const QStringList sevenZip{"a", "-bso0", "-pright"};
    const QStringList sevenZipNames{"a", "-bso0", "-pright", "-mhe=on"};
    for (const bool giveUp : {false, true}) {
        const char *how = giveUp ? "wrong, then cancel" : "wrong, then right";
        QTest::addRow("zip AES, %s", how) << "aes.zip"
                                          << "engine" << aes << giveUp;
        QTest::addRow("zip traditional, %s", how) << "classic.zip"
                                                  << "zip" << traditional << giveUp;
        QTest::addRow("7z, %s", how) << "locked.7z"
                                     << "7z" << sevenZip << giveUp;
        QTest::addRow("7z with encrypted names, %s", how) << "hidden.7z"
                                                          << "7z" << sevenZipNames << giveUp;
    }
}

// The operation asks for a password when the archive needs one, again (saying the last one was
// wrong) after a wrong one; the right one extracts, Cancel on the prompt ends the operation as
// cancelled and leaves the folder as it was.
void TestArchiveCommands::wrongThenRightPassword()
{
    QFETCH(QString, archiveName);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, giveUp);

    const QString source = work->filePath(QStringLiteral("source"));
    QVERIFY(TestTree::build(source, {{QStringLiteral("secret.txt"), "the secret\n"},
                                     {QStringLiteral("plans/more.txt"), TestTree::sampleData(20000, 3)}}));
    QVERIFY(QDir().mkpath(input));
    const QString archivePath = input + QLatin1Char('/') + archiveName;
    if (program == QLatin1String("engine")) {
        CompressionHandler engine;
        QVERIFY2(
            engine.compressFiles(QStringLiteral("ZIP"),
                                 {source + QStringLiteral("/secret.txt"), source + QStringLiteral("/plans")},
                                 archivePath, QStringLiteral("right")),
            qPrintable(engine.lastError()));
    } else {
        const ToolRun made = ToolRun::run(
            program, arguments << archivePath << QStringLiteral("secret.txt") << QStringLiteral("plans"),
            source);
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));
    }
    showFolder(input);
    const TestTree::Tree before = TestTree::snapshot(input);
    select({archivePath});

    Driver answers;
    answers.then(Driver::enterPassword(QStringLiteral("wrong")));
    if (giveUp)
        answers.then(Driver::reject());
    else
        answers.then(Driver::enterPassword(QStringLiteral("right")));
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QTest::qWait(100);
    QCOMPARE(answers.seen.size(), 3);
    QVERIFY2(isPasswordPrompt(answers.seen.at(0), archiveName, false), qPrintable(answers.seen.at(0)));
    QVERIFY2(isPasswordPrompt(answers.seen.at(1), archiveName, true), qPrintable(answers.seen.at(1)));
    if (giveUp) {
        QCOMPARE(answers.seen.at(2), cancelledBox);
        QCOMPARE(firstDifference(before, TestTree::snapshot(input)), QString());
    } else {
        QCOMPARE(answers.seen.at(2), successBox);
        QCOMPARE(firstDifference(TestTree::snapshot(source),
                                 withoutTopLevel(TestTree::snapshot(input), archiveName)),
                 QString());
    }
}

void TestArchiveCommands::replaceQuestionAnswers_data()
{
    QTest::addColumn<ReplaceChoices>("choices");
    QTest::addColumn<bool>("applyToAll");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("resultBox");
    QTest::addColumn<TestTree::Tree>("expected");

    // The folder holds "a.txt", "b.txt" and a folder "c.txt"; the archive brings the three as files,
    // and "new.txt" that clashes with nothing. Clashes are met in no fixed order: each question is
    // answered by the name it asks about.
    const TestTree::Tree untouched{
        {"a.txt", "old a"}, {"b.txt", "old b"}, {"c.txt/", ""}, {"c.txt/inside", "kept"}};
    using R = ReplaceChoice;
    const auto each = [](R a, R b, R c) { return ReplaceChoices{{"a.txt", a}, {"b.txt", b}, {"c.txt", c}}; };

    TestTree::Tree replaced = untouched;
    replaced.insert("a.txt", "new a");
    replaced.insert("b.txt", "new b");
    replaced.insert("new.txt", "new");
    // A folder is never emptied for a file: keeping both is the nearest safe answer.
    replaced.insert("c (2).txt", "new c");
    QTest::newRow("replace, one by one")
        << each(R::Replace, R::Replace, R::KeepBoth) << false << 3 << successBox << replaced;
    QTest::newRow("replace, for all")
        << each(R::Replace, R::Replace, R::Replace) << true << 1 << successBox << replaced;

    TestTree::Tree skipped = untouched;
    skipped.insert("new.txt", "new");
    QTest::newRow("skip, one by one")
        << each(R::Skip, R::Skip, R::Skip) << false << 3 << successBox << skipped;
    QTest::newRow("skip, for all") << each(R::Skip, R::Skip, R::Skip) << true << 1 << successBox << skipped;

    TestTree::Tree bothKept = untouched;
    bothKept.insert("a (2).txt", "new a");
    bothKept.insert("b (2).txt", "new b");
    bothKept.insert("c (2).txt", "new c");
    bothKept.insert("new.txt", "new");
    QTest::newRow("keep both, one by one")
        << each(R::KeepBoth, R::KeepBoth, R::KeepBoth) << false << 3 << successBox << bothKept;
    QTest::newRow("keep both, for all")
        << each(R::KeepBoth, R::KeepBoth, R::KeepBoth) << true << 1 << successBox << bothKept;

    // However many were answered before, Cancel undoes them all.
    QTest::newRow("replace, skip, cancel")
        << each(R::Replace, R::Skip, R::Cancel) << false << 0 << cancelledBox << untouched;
    QTest::newRow("cancel at once") << each(R::Cancel, R::Cancel, R::Cancel) << false << 1 << cancelledBox
                                    << untouched;
}

// Each answer of the replace question, through the window, over a folder with several clashes, a
// file over a folder among them. Cancel leaves the folder exactly as it was.
void TestArchiveCommands::replaceQuestionAnswers()
{
    QFETCH(ReplaceChoices, choices);
    QFETCH(bool, applyToAll);
    QFETCH(int, questions);
    QFETCH(QString, resultBox);
    QFETCH(TestTree::Tree, expected);

    const QString folder = work->filePath(QStringLiteral("dest"));
    QVERIFY(TestTree::build(folder, {{"a.txt", "old a"}, {"b.txt", "old b"}, {"c.txt/inside", "kept"}}));
    const QString archivePath = work->filePath(QStringLiteral("clashes.zip"));
    QVERIFY(ZipBytes::write(archivePath,
                            {ZipBytes::unixFile("a.txt", "new a"), ZipBytes::unixFile("b.txt", "new b"),
                             ZipBytes::unixFile("c.txt", "new c"), ZipBytes::unixFile("new.txt", "new")}));
    showFolder(work->path());
    select({archivePath});

    QStringList askedAbout;
    const Driver::Step answer = [&](QWidget *dialog) {
        for (auto it = choices.cbegin(); it != choices.cend(); ++it) {
            if (Driver::describe(dialog) == replaceQuestion(it.key())) {
                askedAbout.append(it.key());
                Driver::answerReplace(it.value(), applyToAll)(dialog);
                return;
            }
        }
        Driver::press(QMessageBox::Ok)(dialog);
    };
    Driver driver;
    driver.then(Driver::chooseFile(folder));
    for (int step = 0; step <= choices.size(); ++step)
        driver.then(answer);
    QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(driver.seen.last().startsWith(QStringLiteral("box|")),
                              qPrintable(state(driver)), 60000);
    QTest::qWait(100);
    QCOMPARE(driver.seen.first(), extractFolderTitle);
    QCOMPARE(driver.seen.last(), resultBox);
    QCOMPARE(driver.seen.size(), askedAbout.size() + 2);
    if (questions > 0)
        QCOMPARE(askedAbout.size(), questions);
    QCOMPARE(QSet<QString>(askedAbout.cbegin(), askedAbout.cend()).size(), askedAbout.size());
    if (resultBox == cancelledBox)
        QCOMPARE(choices.value(askedAbout.last()), ReplaceChoice::Cancel);
    QCOMPARE(firstDifference(expected, TestTree::snapshot(folder)), QString());
}

// Names an archive stores in a legacy code page without saying which are read as users of the
// interface language write them: the same bytes give Simplified Chinese under 简体中文 and
// Traditional Chinese under 繁體中文.
void TestArchiveCommands::interfaceLanguageReadsLegacyNames()
{
    // Both code pages read these bytes as two common ideographs.
    ZipBytes::Entry entry;
    entry.name = QByteArray("\xb0\xb3\xb0\xb2.txt");
    entry.data = "legacy\n";
    const QString archivePath = input + QStringLiteral("/legacy.zip");
    QVERIFY(QDir().mkpath(input));
    QVERIFY(ZipBytes::write(archivePath, {entry}));

    QMenu *menu = window->findChild<QPushButton *>(QStringLiteral("menuButton"))->menu();
    const QList<std::pair<int, QString>> languages{{0, QStringLiteral("俺安.txt")},
                                                   {1, QStringLiteral("偃假.txt")}};
    for (const auto &[menuEntry, expectedName] : languages) {
        menu->actions().at(menuEntry)->trigger();
        const QString destination = work->filePath(QStringLiteral("out%1").arg(menuEntry));
        QVERIFY(QDir().mkpath(destination));
        showFolder(input);
        select({archivePath});
        Driver answers;
        answers.then(Driver::chooseFile(destination)).then(Driver::press(QMessageBox::Ok));
        QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
        QCOMPARE(entriesOf(destination), QStringList{expectedName});
    }
}

// While an operation runs the nine browsing and action controls are locked and the window-modal
// progress dialog stays up, also when a report of 100 % arrives; its end unlocks everything.
void TestArchiveCommands::controlsLockedWhileRunning()
{
    const QString folder = makeHeldExtraction();
    QVERIFY(!folder.isEmpty());
    const char *locked[] = {"fileTreeView",    "upButton",          "desktopButton",
                            "searchButton",    "refreshButton",     "addButton",
                            "extractToButton", "extractHereButton", "deleteButton"};
    QStringList unlockedWhileHeld;
    QStringList lockedWhileHeld;
    QString dialogWhileHeld;
    bool stayedAfterFullReport = false;

    Driver answers;
    answers.then([&](QWidget *question) {
        for (const char *name : locked) {
            if (window->findChild<QWidget *>(QLatin1String(name))->isEnabled())
                unlockedWhileHeld.append(QLatin1String(name));
        }
        for (const char *name :
             {"pathLineEdit", "searchLineEdit", "menuButton", "minButton", "closeButton"}) {
            if (!window->findChild<QWidget *>(QLatin1String(name))->isEnabled())
                lockedWhileHeld.append(QLatin1String(name));
        }
        if (QProgressDialog *dialog = progressDialog()) {
            dialogWhileHeld =
                QStringList{dialog->windowTitle(), QString::number(int(dialog->windowModality())),
                            QString::number(dialog->maximum()),
                            dialog->findChild<QAbstractButton *>()->text()}
                    .join(QLatin1Char('|'));
            // The facade's reports reach the same dialog; 100 % does not end the operation.
            emit handler()->progressChanged(100);
            stayedAfterFullReport = dialog->isVisible() && dialog->value() == 100;
        }
        Driver::answerReplace(ReplaceChoice::Replace)(question);
    });
    answers.then(Driver::press(QMessageBox::Ok));
    startHeldExtraction(folder);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);

    QCOMPARE(answers.seen, (QStringList{replaceQuestion("clash.txt"), successBox}));
    QCOMPARE(unlockedWhileHeld, QStringList());
    QCOMPARE(lockedWhileHeld, QStringList());
    QCOMPARE(dialogWhileHeld, QStringLiteral("解压|%1|100|取消").arg(int(Qt::WindowModal)));
    QVERIFY(stayedAfterFullReport);
    QTRY_VERIFY(!progressDialog());
    for (const char *name : locked)
        QVERIFY2(window->findChild<QWidget *>(QLatin1String(name))->isEnabled(), name);
    QCOMPARE(TestTree::readFile(folder + QStringLiteral("/clash.txt")), QByteArray("the archive's text\n"));
}

void TestArchiveCommands::cancelStopsTheOperation_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "button";
    QTest::newRow("dialog closed") << "close";
}

// Cancel reaches the job once and ends it as cancelled, also while it waits for an answer: the
// question goes, the folder stays as it was, and the controls come back.
void TestArchiveCommands::cancelStopsTheOperation()
{
    QFETCH(QString, how);

    const QString folder = makeHeldExtraction();
    QVERIFY(!folder.isEmpty());
    const TestTree::Tree before = TestTree::snapshot(folder);
    QString labelAfterCancel;
    bool cancelDisabled = false;

    Driver answers;
    answers.then([&](QWidget *) {
        QProgressDialog *dialog = progressDialog();
        QVERIFY(dialog);
        // The question is modal over the progress dialog; the button is pressed directly.
        if (how == QLatin1String("button"))
            dialog->findChild<QAbstractButton *>()->click();
        else
            closeFromWindowSystem(dialog);
        labelAfterCancel = dialog->labelText();
        cancelDisabled = !dialog->findChild<QAbstractButton *>()->isEnabled();
    });
    answers.then(Driver::press(QMessageBox::Ok));
    startHeldExtraction(folder);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QTest::qWait(100);

    QCOMPARE(answers.seen, (QStringList{replaceQuestion("clash.txt"), cancelledBox}));
    QCOMPARE(labelAfterCancel, QStringLiteral("正在取消..."));
    QVERIFY(cancelDisabled);
    QTRY_VERIFY(!progressDialog());
    QVERIFY(tree()->isEnabled());
    QVERIFY(button("addButton")->isEnabled());
    QCOMPARE(firstDifference(before, TestTree::snapshot(folder)), QString());
}

void TestArchiveCommands::cancelStopsARunningCreation_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("how");

    QTest::newRow("zip, Cancel button") << "large.zip"
                                        << "button";
    QTest::newRow("7z, Escape") << "large.7z"
                                << "escape";
    QTest::newRow("tar.xz, dialog closed") << "large.tar.xz"
                                           << "close";
}

// Cancel stops an operation at work, in each creating backend: the outcome is reported as
// cancelled and no archive or temporary file is left.
void TestArchiveCommands::cancelStopsARunningCreation()
{
    QFETCH(QString, archiveName);
    QFETCH(QString, how);

    const QString source = largeInput();
    QVERIFY(!source.isEmpty());
    const QString archivePath = work->filePath(archiveName);
    const QStringList tempBefore = entriesOf(environment.temporaryPath());
    const QStringList workBefore = entriesOf(work->path());

    showFolder(QFileInfo(source).path());
    select({source});
    Driver answers;
    answers.then(Driver::chooseFile(archivePath));
    if (FormatRegistry::info(FormatRegistry::formatForFileName(archiveName)).canHoldPassword)
        answers.then(Driver::enterPassword(QString()));
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    waitUntilMidOperation();
    if (QTest::currentTestFailed())
        return;

    QProgressDialog *dialog = progressDialog();
    if (how == QLatin1String("button"))
        QTest::mouseClick(dialog->findChild<QAbstractButton *>(), Qt::LeftButton);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        closeFromWindowSystem(dialog);

    // Until the job has ended the dialog stays and the controls stay locked.
    if (progressDialog()) {
        QVERIFY(!button("addButton")->isEnabled());
        QVERIFY(!tree()->isEnabled());
    }
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QCOMPARE(answers.seen.last(), cancelledBox);
    QTRY_VERIFY(!progressDialog());
    QVERIFY(tree()->isEnabled());
    QVERIFY(button("addButton")->isEnabled());
    QCOMPARE(entriesOf(environment.temporaryPath()), tempBefore);
    QCOMPARE(entriesOf(work->path()), workBefore);
}

void TestArchiveCommands::closeDuringOperation_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answerYes");

    QTest::newRow("close, answer Yes") << QStringLiteral("close") << true;
    QTest::newRow("close, answer No") << QStringLiteral("close") << false;
    QTest::newRow("window system close, answer Yes") << QStringLiteral("window system") << true;
    QTest::newRow("application closes all windows, answer Yes") << QStringLiteral("all windows") << true;
    QTest::newRow("close button and exit, both Yes") << QStringLiteral("close button") << true;
    QTest::newRow("window destroyed") << QStringLiteral("destroy") << true;
}

// The program never ends under a running operation: a close asks whether to cancel and exit; Yes
// cancels, waits for the job and closes, leaving the folder as it was; No goes on. The operation is
// held by its replace question while the close comes.
void TestArchiveCommands::closeDuringOperation()
{
    QFETCH(QString, how);
    QFETCH(bool, answerYes);

    const QString folder = makeHeldExtraction();
    QVERIFY(!folder.isEmpty());
    const TestTree::Tree before = TestTree::snapshot(folder);
    bool closed = false;

    Driver answers;
    answers.then([&](QWidget *question) {
        if (how == QLatin1String("close")) {
            closed = window->close();
        } else if (how == QLatin1String("window system")) {
            closed = closeFromWindowSystem(window.get());
        } else if (how == QLatin1String("all windows")) {
            // As the application does when it is asked to quit: the modal dialogs are closed first.
            QApplication::closeAllWindows();
            closed = !window->isVisible();
        } else if (how == QLatin1String("close button")) {
            button("closeButton")->click();
            closed = !window->isVisible();
        } else {
            window.reset();
            closed = true;
        }
        if (!closed)
            Driver::answerReplace(ReplaceChoice::Replace)(question);
    });
    QStringList expected{replaceQuestion("clash.txt")};
    if (how == QLatin1String("close button")) {
        answers.then(Driver::press(QMessageBox::Yes));
        expected << QStringLiteral("box|确认退出|确定要退出 Kelvane 吗？");
    }
    if (how != QLatin1String("destroy")) {
        answers.then(Driver::press(answerYes ? QMessageBox::Yes : QMessageBox::No));
        expected << exitQuestion;
    }
    if (!answerYes) {
        answers.then(Driver::press(QMessageBox::Ok));
        expected << successBox;
    }
    // The close button quits the application's loop, so this runs in it.
    if (how == QLatin1String("close button")) {
        QTimer::singleShot(0, this, [this, folder] { startHeldExtraction(folder); });
        QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    } else {
        startHeldExtraction(folder);
    }
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    // The cancelled job's end must not report anything later on.
    QTest::qWait(300);
    QCOMPARE(answers.seen, expected);
    QCOMPARE(closed, answerYes);
    if (answerYes) {
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        if (window)
            QVERIFY(!progressDialog());
        QCOMPARE(firstDifference(before, TestTree::snapshot(folder)), QString());
    } else {
        QVERIFY(window->isVisible());
        QCOMPARE(TestTree::readFile(folder + QStringLiteral("/clash.txt")),
                 QByteArray("the archive's text\n"));
    }
}

void TestArchiveCommands::engineRefusalShownInFailureBox_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("engineText");

    for (const char *command : {"extract to", "quick extract", "double-click"})
        QTest::addRow("%s, archive deleted before the run", command) << command << "deleted"
                                                                     << "压缩文件不存在";
    QTest::newRow("quick extract in the drive list") << "quick extract"
                                                     << "drive list"
                                                     << "未指定解压目标目录";
    QTest::newRow("double-click in the drive list") << "double-click"
                                                    << "drive list"
                                                    << "未指定解压目标目录";
    QTest::newRow("quick extract, text file first") << "quick extract"
                                                    << "text first"
                                                    << "压缩格式 txt 暂不支持";
    QTest::newRow("extract to, damaged archive") << "extract to"
                                                 << "damaged"
                                                 << "";
    if (FormatRegistry::canExtract(QStringLiteral("old.rar"))) {
        // The archive's path completes the text once the test knows it.
        QTest::newRow("double-click on a damaged rar") << "double-click"
                                                       << "rar"
                                                       << "无法识别压缩包，或压缩包已损坏: %1";
    }
}

// What the engine refuses is shown in the failure box in its own words, and nothing is extracted.
void TestArchiveCommands::engineRefusalShownInFailureBox()
{
    QFETCH(QString, command);
    QFETCH(QString, situation);
    QFETCH(QString, engineText);

    QVERIFY(writeFile(input + QStringLiteral("/notes.txt"), "some notes\n"));
    const QString archivePath = input + (situation == QLatin1String("rar") ? QStringLiteral("/old.rar")
                                                                           : QStringLiteral("/Backup.zip"));
    if (situation == QLatin1String("damaged"))
        QVERIFY(writeFile(archivePath, "PK\x03\x04 this is no archive"));
    else if (situation == QLatin1String("rar"))
        QVERIFY(writeFile(archivePath, "Rar!"));
    else
        QVERIFY(ZipBytes::write(archivePath, {ZipBytes::unixFile("notes.txt", "inner\n")}));
    if (situation == QLatin1String("rar"))
        engineText = engineText.arg(archivePath);
    const QString output = work->filePath(QStringLiteral("output"));
    QVERIFY(QDir().mkpath(output));

    if (situation == QLatin1String("drive list")) {
        auto *pathEdit = window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
        pathEdit->setText(QStringLiteral("我的电脑"));
        QTest::keyClick(pathEdit, Qt::Key_Return);
        QTRY_VERIFY(!tree()->rootIndex().isValid());
        QTRY_VERIFY(model()->index(archivePath).isValid());
    } else {
        showFolder(input);
    }
    if (situation == QLatin1String("text first"))
        select({input + QStringLiteral("/notes.txt"), archivePath});
    else
        select({archivePath});

    const auto removeArchive = [situation, archivePath](QWidget *) {
        if (situation == QLatin1String("deleted"))
            QFile::remove(archivePath);
    };
    Driver answers;
    QStringList expected;
    if (command == QLatin1String("extract to")) {
        answers.then([removeArchive, output](QWidget *dialog) {
            removeArchive(dialog);
            Driver::chooseFile(output)(dialog);
        });
        expected << extractFolderTitle;
    } else if (command == QLatin1String("double-click")) {
        answers.then([removeArchive](QWidget *dialog) {
            removeArchive(dialog);
            Driver::press(QMessageBox::Yes)(dialog);
        });
        expected << extractQuestion(QFileInfo(archivePath).fileName());
    } else if (situation == QLatin1String("deleted")) {
        QFile::remove(archivePath);
    }
    answers.then(Driver::press(QMessageBox::Ok));

    if (command == QLatin1String("extract to"))
        QTest::mouseClick(button("extractToButton"), Qt::LeftButton);
    else if (command == QLatin1String("quick extract"))
        QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    else
        doubleClick(archivePath);
    QTRY_VERIFY2_WITH_TIMEOUT(answers.finished(), qPrintable(state(answers)), 60000);
    QCOMPARE(answers.seen.mid(0, expected.size()), expected);
    QCOMPARE(answers.seen.size(), expected.size() + 1);
    if (engineText.isEmpty())
        QVERIFY2(answers.seen.last().startsWith(failureBox(QString())) &&
                     answers.seen.last() != failureBox(QString()),
                 qPrintable(answers.seen.last()));
    else
        QCOMPARE(answers.seen.last(), failureBox(engineText));
    QVERIFY(tree()->isEnabled());
    QVERIFY(!progressDialog());
    QCOMPARE(entriesOf(output), QStringList());
}

// A double-clicked folder is entered and a file that is no archive goes to the desktop's default
// application; neither starts an operation.
void TestArchiveCommands::doubleClickOnOtherEntries()
{
    QVERIFY(TestTree::build(input,
                            {{QStringLiteral("inner/"), {}}, {QStringLiteral("notes.txt"), "some notes\n"}}));
    showFolder(input);

    Driver answers;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
    openedUrls.clear();
    doubleClick(input + QStringLiteral("/notes.txt"));
    QTRY_COMPARE(openedUrls.size(), 1);
    QCOMPARE(openedUrls.first(), QUrl::fromLocalFile(input + QStringLiteral("/notes.txt")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    doubleClick(input + QStringLiteral("/inner"));
    QTRY_COMPARE(model()->filePath(tree()->rootIndex()), input + QStringLiteral("/inner"));
    QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"))->text(),
             input + QStringLiteral("/inner"));
    QTest::qWait(100);
    QCOMPARE(answers.seen, QStringList());
    QVERIFY(!progressDialog());
}

// Return opens the current row as a double-click does, Backspace and Alt+Up go up, F5 refreshes,
// Delete deletes; the keys press the buttons, so they are locked with them.
void TestArchiveCommands::keyboardAccess()
{
    QVERIFY(TestTree::build(input, {{QStringLiteral("inner/"), {}},
                                    {QStringLiteral("notes.txt"), "some notes\n"},
                                    {QStringLiteral("a.zip"), "not really"}}));
    showFolder(input);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    tree()->setFocus();

    select({input + QStringLiteral("/inner")});
    QTest::keyClick(tree(), Qt::Key_Return);
    QTRY_COMPARE(model()->filePath(tree()->rootIndex()), input + QStringLiteral("/inner"));
    QTest::keyClick(tree(), Qt::Key_Backspace);
    QTRY_COMPARE(model()->filePath(tree()->rootIndex()), input);
    showFolder(input + QStringLiteral("/inner"));
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Up, Qt::AltModifier);
    QTRY_COMPARE(model()->filePath(tree()->rootIndex()), input);

    // In the path field Backspace edits the text and does not go up.
    auto *pathEdit = window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
    pathEdit->setFocus();
    QTest::keyClick(pathEdit, Qt::Key_Backspace);
    QTest::qWait(100);
    QCOMPARE(pathEdit->text(), input.chopped(1));
    QCOMPARE(model()->filePath(tree()->rootIndex()), input);
    tree()->setFocus();

    auto *status = window->findChild<QLabel *>(QStringLiteral("statusLabel"));
    const QString statusBefore = status->text();
    QVERIFY(writeFile(input + QStringLiteral("/later.txt"), "written behind the window's back"));
    QTest::qWait(200);
    QCOMPARE(status->text(), statusBefore);
    QTest::keyClick(tree(), Qt::Key_F5);
    QTRY_VERIFY(status->text() != statusBefore);

    Driver answers;
    answers.then(Driver::press(QMessageBox::No)).then(Driver::press(QMessageBox::No));
    select({input + QStringLiteral("/a.zip")});
    QTest::keyClick(tree(), Qt::Key_Return);
    QTRY_COMPARE(answers.seen.size(), 1);
    QCOMPARE(answers.seen.first(), extractQuestion(QStringLiteral("a.zip")));
    select({input + QStringLiteral("/notes.txt")});
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Delete);
    QTRY_VERIFY2(answers.finished(), qPrintable(state(answers)));
    QCOMPARE(answers.seen.size(), 2);
    QVERIFY(answers.seen.last().startsWith(QStringLiteral("box|")));
    QVERIFY(QFileInfo::exists(input + QStringLiteral("/notes.txt")));
}

int main(int argc, char *argv[])
{
    UiTestEnvironment environment;
    if (!environment.isValid())
        return 1;
    QApplication app(argc, argv);
    // The close button ends with the application's quit; the test goes on afterwards.
    QApplication::setQuitOnLastWindowClosed(false);
    TestArchiveCommands test(environment);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archivecommands.moc"
