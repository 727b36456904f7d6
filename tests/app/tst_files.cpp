// Program files through the real window: open, save, save as, the remembered folder and the
// question before unsaved work is thrown away. Dialogs are answered by ScriptedDialogs; settings
// and files live in temporary folders only.

#include "windowfixture.h"
#include "testrecord.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString NewProgramText = QStringLiteral("prgName = \"Prg1\";\n");
const QString Filter = QStringLiteral("Файл программы (*.prgb)");

using Choice = UserDialogs::SaveChoice;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QAction *findAction(const MainWindow &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

bool isModified(const MainWindow &window)
{
    return window.editor()->document()->isModified();
}

// A user's edit: goes through the document's undo stack, unlike setPlainText.
void typeText(MainWindow &window, const QString &text)
{
    QTextCursor cursor(window.editor()->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

void replaceByEdit(MainWindow &window, const QString &text)
{
    QTextCursor cursor(window.editor()->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
}

// The window's settings store, read independently of any window.
std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Brisca"), QStringLiteral("KV2050RB1"));
}

QString storedDirectory()
{
    return openStore()->value(QStringLiteral("dirPrgFile")).toString();
}

// Caps the size of any file this process writes, as a full disk would; restored on scope exit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active = false;

private:
    rlimit saved{};
    void (*previousHandler)(int) = SIG_DFL;
};

enum class Trigger
{
    Close,
    New,
    Open
};

} // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(UserDialogs::SaveChoice)

class FilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openReadsFile_data();
    void openReadsFile();
    void openFailureLeavesWindowAsItWas_data();
    void openFailureLeavesWindowAsItWas();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveFailureKeepsEverything_data();
    void saveFailureKeepsEverything();
    void saveToVanishedFolderKeepsEverything();
    void diskFullKeepsOldFile_data();
    void diskFullKeepsOldFile();
    void saveAfterNewFileAsksForName();
    void cancelledDialogChangesNothing_data();
    void cancelledDialogChangesNothing();
    void dialogsStartInWorkingFolderAtFirstStart_data();
    void dialogsStartInWorkingFolderAtFirstStart();
    void dialogsStartInRememberedFolderAfterRestart_data();
    void dialogsStartInRememberedFolderAfterRestart();
    void rememberedFolderReachesDiskAtOnce();
    void questionOnlyAfterEdit_data();
    void questionOnlyAfterEdit();
    void answerDecidesOutcome_data();
    void answerDecidesOutcome();
    void saveAddsSuffix_data();
    void saveAddsSuffix();
    void readKeepsUserText_data();
    void readKeepsUserText();
    void recentFilesSurviveRestart();

private:
    // Windows are made inside the tests, several of them where a restart is tried.
    static std::unique_ptr<MainWindow> makeWindow(ScriptedDialogs *&dialogs)
    {
        return WindowFixture::makeWindow(dialogs);
    }
    QString workPath(const QString &name) const { return work->filePath(name); }
    // Runs the trigger; true when the operation went ahead.
    bool runTrigger(MainWindow &window, Trigger trigger);

    WindowFixture fixture;
    std::unique_ptr<QTemporaryDir> work;
    QString startFolder;
    // The settings file on disk; read directly, since any QSettings object for it would write out
    // changes pending in the shared cache.
    QString storeFile;
};

void FilesTest::initTestCase()
{
    // Never the user's real settings: every store of this process points at the temporary folder.
    QVERIFY(fixture.isolateSettings());
    storeFile = openStore()->fileName();
    QVERIFY2(storeFile.startsWith(fixture.settingsPath()), qPrintable(storeFile));
    startFolder = QDir::currentPath();
}

void FilesTest::init()
{
    const auto settings = openStore();
    settings->clear();
    settings->sync();
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    QVERIFY(QDir::setCurrent(work->path()));
}

void FilesTest::cleanup()
{
    QDir::setCurrent(startFolder);
    work.reset();
}

bool FilesTest::runTrigger(MainWindow &window, Trigger trigger)
{
    switch (trigger) {
    case Trigger::Close:
        return window.close();
    case Trigger::New:
        findAction(window, "newAction")->trigger();
        return window.editor()->toPlainText() == NewProgramText;
    case Trigger::Open:
        findAction(window, "openAction")->trigger();
        return true; // the caller checks whether the dialog was shown
    }
    return false;
}

void FilesTest::openReadsFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    // Saving the text would not give the file's bytes back: warned, and saved only under a new
    // name, but not modified (no question on the way out) and not a recent file.
    QTest::addColumn<bool>("changed");

    QTest::newRow("cyrillic comment")
        << QByteArray("prgName = \"Prg1\";\n// \xd0\xbd\xd0\xb0\xd0\xb3\xd1\x80\xd0\xb5\xd0\xb2 "
                      "\xd0\x98\xd0\xa1\xd0\xa2\n")
        << QStringLiteral("prgName = \"Prg1\";\n// нагрев ИСТ\n") << 3 << false;
    QTest::newRow("CRLF line ends")
        << QByteArray("a = 1;\r\nb = 2;\r\n") << QStringLiteral("a = 1;\nb = 2;\n") << 3 << false;
    QTest::newRow("lone CR line ends") << QByteArray("a = 1;\rb = 2;\rc = 3;")
                                       << QStringLiteral("a = 1;\nb = 2;\nc = 3;") << 3 << false;
    QTest::newRow("mixed line ends")
        << QByteArray("a\r\nb\rc\n\r\n") << QStringLiteral("a\nb\nc\n\n") << 5 << false;
    QTest::newRow("zero byte shown, text read to the end")
        << QByteArray(QByteArray("a = 1;\nb") + '\0' + QByteArray(" = 2;\n"))
        << QStringLiteral("a = 1;\nb\uFFFD = 2;\n") << 3 << true;
    QTest::newRow("zero byte first") << QByteArray(QByteArray(1, '\0') + QByteArray("a = 1;\n"))
                                     << QStringLiteral("\uFFFDa = 1;\n") << 2 << true;
    // A Windows-1251 comment: its bytes are not UTF-8.
    QTest::newRow("byte that is not UTF-8")
        << QByteArray("// \xcf\n") << QStringLiteral("// \uFFFD\n") << 2 << true;
    QTest::newRow("empty file") << QByteArray() << QString() << 1 << false;
    QTest::newRow("no line end at the end")
        << QByteArray("prgName = \"P\";") << QStringLiteral("prgName = \"P\";") << 1 << false;
}

void FilesTest::openReadsFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, lines);
    QFETCH(bool, changed);

    const QString path = workPath(QStringLiteral("program.prgb"));
    QVERIFY(writeBytes(path, bytes));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    window->outputPane()->setPlainText(QStringLiteral("earlier report"));

    dialogs->fileNames.enqueue(path);
    findAction(*window, "openAction")->trigger();

    QStringList kinds{QStringLiteral("open")};
    if (changed)
        kinds << QStringLiteral("warning");
    QCOMPARE(dialogs->kinds(), kinds);
    if (changed) {
        QCOMPARE(dialogs->calls.at(1).title, QStringLiteral("Предупреждение"));
        QVERIFY(dialogs->calls.at(1).detail.contains(QStringLiteral("только под новым именем")));
    }
    QCOMPARE(window->editor()->toPlainText(), text);
    QCOMPARE(window->editor()->document()->blockCount(), lines);
    QCOMPARE(window->currentFilePath(), path);
    QCOMPARE(window->windowTitle(), QStringLiteral("program.prgb[*] — Quorvel"));
    QCOMPARE(findAction(*window, "saveAction")->isEnabled(), changed);
    QVERIFY(!isModified(*window));
    QVERIFY(!window->isWindowModified());
    // The file itself is untouched until the user saves.
    QCOMPARE(readBytes(path), bytes);
    const QStringList recent = openStore()->value(QStringLiteral("recentFiles")).toStringList();
    QCOMPARE(recent.contains(path), !changed);

    if (changed) {
        // Ctrl+S on a file that is not all text asks for a name; cancelled, nothing is written.
        dialogs->calls.clear();
        findAction(*window, "saveAction")->trigger();
        QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("save")});
        QCOMPARE(readBytes(path), bytes);
        // Edited, the question's Save asks for a name as well.
        typeText(*window, QStringLiteral("c = 3;\n"));
        dialogs->calls.clear();
        dialogs->saveChoices.enqueue(Choice::Save);
        findAction(*window, "newAction")->trigger();
        QCOMPARE(dialogs->kinds(), (QStringList{QStringLiteral("ask"), QStringLiteral("save")}));
        QCOMPARE(dialogs->calls.at(0).detail, QStringLiteral("save"));
        QCOMPARE(readBytes(path), bytes);
        window->editor()->undo();
        QCOMPARE(window->editor()->toPlainText(), text);
    }
    QCOMPARE(window->outputPane()->toPlainText(), QStringLiteral("earlier report"));
    QCOMPARE(storedDirectory(), work->path());

    // Written back with line feeds only.
    const QString copy = workPath(QStringLiteral("copy.prgb"));
    dialogs->fileNames.enqueue(copy);
    findAction(*window, "saveAsAction")->trigger();
    QCOMPARE(readBytes(copy), text.toUtf8());
    QCOMPARE(window->currentFilePath(), copy);
    QCOMPARE(window->windowTitle(), QStringLiteral("copy.prgb[*] — Quorvel"));
    QVERIFY(!window->isWindowModified());
}

void FilesTest::openFailureLeavesWindowAsItWas_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("openFirst");
    // The start of the reason under the message.
    QTest::addColumn<QString>("reason");

    const QString missing = QStringLiteral("Файл не найден.");
    const QString notFile = QStringLiteral("Это не обычный файл, а папка, канал или устройство.");
    QTest::newRow("missing file after start") << QStringLiteral("missing.prgb") << false << missing;
    QTest::newRow("missing file over an open file")
        << QStringLiteral("missing.prgb") << true << missing;
    QTest::newRow("file in a missing folder")
        << QStringLiteral("gone/missing.prgb") << true << missing;
    QTest::newRow("folder after start") << QStringLiteral("folder.prgb") << false << notFile;
    QTest::newRow("folder over an open file") << QStringLiteral("folder.prgb") << true << notFile;
    // Opening a FIFO that nobody writes would block the window for ever.
    QTest::newRow("FIFO with no writer") << QStringLiteral("fifo.prgb") << true << notFile;
    QTest::newRow("file over 1 MiB")
        << QStringLiteral("huge.prgb") << true
        << QStringLiteral("Файл больше 1024 КиБ. Файл программы занимает несколько килобайт.");
    // Opens, but every read fails: must not pass for an empty program.
    QTest::newRow("file whose read fails")
        << QStringLiteral("/proc/self/mem") << true << QStringLiteral("Ошибка чтения: ");
}

void FilesTest::openFailureLeavesWindowAsItWas()
{
    QFETCH(QString, target);
    QFETCH(bool, openFirst);
    QFETCH(QString, reason);

    if (target.startsWith(QLatin1Char('/')) && !QFile::exists(target))
        QSKIP("no /proc on this system");
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("folder.prgb")));
    QCOMPARE(mkfifo(QFile::encodeName(workPath(QStringLiteral("fifo.prgb"))).constData(), 0600), 0);
    QVERIFY(writeBytes(workPath(QStringLiteral("huge.prgb")), QByteArray(1024 * 1024 + 1, 'x')));
    const QString good = workPath(QStringLiteral("good.prgb"));
    QVERIFY(writeBytes(good, "prgName = \"Good\";\n"));
    const QString path = QDir(work->path()).absoluteFilePath(target);

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    if (openFirst) {
        dialogs->fileNames.enqueue(good);
        findAction(*window, "openAction")->trigger();
    }
    const QString textBefore = window->editor()->toPlainText();
    const QString fileBefore = window->currentFilePath();
    const bool saveBefore = findAction(*window, "saveAction")->isEnabled();
    dialogs->calls.clear();

    dialogs->fileNames.enqueue(path);
    findAction(*window, "openAction")->trigger();

    QCOMPARE(dialogs->kinds(), (QStringList{QStringLiteral("open"), QStringLiteral("warning")}));
    QCOMPARE(dialogs->calls.at(1).title, QStringLiteral("Ошибка"));
    QCOMPARE(dialogs->calls.at(1).text, QStringLiteral("Не удается открыть файл"));
    QVERIFY2(dialogs->calls.at(1).detail.startsWith(reason),
             qPrintable(dialogs->calls.at(1).detail));
    QCOMPARE(window->editor()->toPlainText(), textBefore);
    QCOMPARE(window->currentFilePath(), fileBefore);
    QCOMPARE(findAction(*window, "saveAction")->isEnabled(), saveBefore);
    QVERIFY(!isModified(*window));
    // The folder is remembered as soon as the name is chosen, even though the open failed.
    QCOMPARE(storedDirectory(), QFileInfo(path).absolutePath());
}

void FilesTest::saveRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("existing");

    const QString cyrillic = QStringLiteral("prgName = \"Т1\";\n// выход включить\nU = 12;\n");
    QTest::newRow("cyrillic via Save with no current file")
        << cyrillic << QStringLiteral("saveAction") << QByteArray();
    QTest::newRow("cyrillic via Save As")
        << cyrillic << QStringLiteral("saveAsAction") << QByteArray();
    QTest::newRow("empty text via Save As")
        << QString() << QStringLiteral("saveAsAction") << QByteArray();
    QTest::newRow("no line end at the end via Save")
        << QStringLiteral("prgName = \"P\";") << QStringLiteral("saveAction") << QByteArray();
    // The longer old content must not survive behind the new text.
    QTest::newRow("Save As over a longer file")
        << QStringLiteral("a = 1;\n") << QStringLiteral("saveAsAction")
        << QByteArray("old old old old old old\n");
    QTest::newRow("Save with no current file over a longer file")
        << QStringLiteral("a = 1;\n") << QStringLiteral("saveAction")
        << QByteArray("old old old old old old\n");
}

void FilesTest::saveRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, action);
    QFETCH(QByteArray, existing);

    const QString path = workPath(QStringLiteral("saved.prgb"));
    if (!existing.isEmpty())
        QVERIFY(writeBytes(path, existing));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    replaceByEdit(*window, text);
    QVERIFY(findAction(*window, "saveAction")->isEnabled());

    dialogs->fileNames.enqueue(path);
    window->findChild<QAction *>(action)->trigger();

    // With no current file, Save asks for a name exactly as Save As does.
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("save")});
    QCOMPARE(dialogs->calls.at(0).title, QStringLiteral("Save File"));
    QCOMPARE(dialogs->calls.at(0).text, work->path());
    QCOMPARE(dialogs->calls.at(0).filter, Filter);
    QCOMPARE(readBytes(path), text.toUtf8());
    QCOMPARE(window->currentFilePath(), path);
    QVERIFY(!findAction(*window, "saveAction")->isEnabled());
    QVERIFY(!isModified(*window));
    QCOMPARE(storedDirectory(), work->path());
    QCOMPARE(QDir(work->path()).entryList(QDir::Files), QStringList{QStringLiteral("saved.prgb")});

    ScriptedDialogs *secondDialogs = nullptr;
    auto second = makeWindow(secondDialogs);
    secondDialogs->fileNames.enqueue(path);
    findAction(*second, "openAction")->trigger();
    QCOMPARE(second->editor()->toPlainText(), text);
}

void FilesTest::saveFailureKeepsEverything_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<QString>("target");

    QTest::newRow("Save As into a missing folder")
        << QStringLiteral("saveAsAction") << true << QStringLiteral("missing/new.prgb");
    QTest::newRow("Save As onto a folder")
        << QStringLiteral("saveAsAction") << true << QStringLiteral("folder.prgb");
    QTest::newRow("Save with no current file into a missing folder")
        << QStringLiteral("saveAction") << false << QStringLiteral("missing/new.prgb");
    QTest::newRow("Save with no current file onto a folder")
        << QStringLiteral("saveAction") << false << QStringLiteral("folder.prgb");
}

void FilesTest::saveFailureKeepsEverything()
{
    QFETCH(QString, action);
    QFETCH(bool, openFirst);
    QFETCH(QString, target);

    const QByteArray oldBytes("prgName = \"Old\";\n// старая\n");
    const QString old = workPath(QStringLiteral("old.prgb"));
    QVERIFY(writeBytes(old, oldBytes));
    QVERIFY(QDir(work->path()).mkpath(QStringLiteral("folder.prgb")));
    QVERIFY(writeBytes(workPath(QStringLiteral("folder.prgb/inside.prgb")), "inside\n"));
    const QString path = workPath(target);

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    if (openFirst) {
        dialogs->fileNames.enqueue(old);
        findAction(*window, "openAction")->trigger();
    }
    typeText(*window, QStringLiteral("U = 5;\n"));
    const QString textBefore = window->editor()->toPlainText();
    const QString fileBefore = window->currentFilePath();
    dialogs->calls.clear();

    dialogs->fileNames.enqueue(path);
    window->findChild<QAction *>(action)->trigger();

    QCOMPARE(dialogs->kinds(), (QStringList{QStringLiteral("save"), QStringLiteral("warning")}));
    QCOMPARE(dialogs->calls.at(1).title, QStringLiteral("Ошибка"));
    QCOMPARE(dialogs->calls.at(1).text, QStringLiteral("Не удается сохранить файл"));
    QCOMPARE(window->currentFilePath(), fileBefore);
    QVERIFY(findAction(*window, "saveAction")->isEnabled());
    QVERIFY(isModified(*window));
    QCOMPARE(window->editor()->toPlainText(), textBefore);
    QCOMPARE(readBytes(old), oldBytes);
    QCOMPARE(QDir(workPath(QStringLiteral("folder.prgb"))).entryList(QDir::Files),
             QStringList{QStringLiteral("inside.prgb")});
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("missing"))));
    QCOMPARE(QDir(work->path()).entryList(QDir::Files), QStringList{QStringLiteral("old.prgb")});
    QCOMPARE(storedDirectory(), QFileInfo(path).absolutePath());
}

void FilesTest::saveToVanishedFolderKeepsEverything()
{
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("sub")));
    const QString path = workPath(QStringLiteral("sub/program.prgb"));
    QVERIFY(writeBytes(path, "a = 1;\n"));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    dialogs->fileNames.enqueue(path);
    findAction(*window, "openAction")->trigger();
    typeText(*window, QStringLiteral("b = 2;\n"));
    QVERIFY(QDir(workPath(QStringLiteral("sub"))).removeRecursively());
    dialogs->calls.clear();

    findAction(*window, "saveAction")->trigger();

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("warning")});
    QCOMPARE(dialogs->calls.at(0).text, QStringLiteral("Не удается сохранить файл"));
    QCOMPARE(window->currentFilePath(), path);
    QVERIFY(findAction(*window, "saveAction")->isEnabled());
    QVERIFY(isModified(*window));
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("a = 1;\nb = 2;\n"));
}

void FilesTest::diskFullKeepsOldFile_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("limitBytes");
    QTest::addColumn<int>("textBytes");

    // Below Qt's 16 KiB write buffer the data reaches the disk only when it is flushed; above it
    // the write goes straight to the disk and comes back short without an error.
    QTest::newRow("Save, disk full when the buffer is flushed")
        << QStringLiteral("saveAction") << 4096 << 10000;
    QTest::newRow("Save, disk full during one large write")
        << QStringLiteral("saveAction") << 8192 << 60000;
    QTest::newRow("Save As over another file, disk full when the buffer is flushed")
        << QStringLiteral("saveAsAction") << 4096 << 10000;
    QTest::newRow("Save As over another file, disk full during one large write")
        << QStringLiteral("saveAsAction") << 8192 << 60000;
}

void FilesTest::diskFullKeepsOldFile()
{
    QFETCH(QString, action);
    QFETCH(int, limitBytes);
    QFETCH(int, textBytes);

    const QByteArray oldBytes("prgName = \"Old\";\n// старая программа\n");
    const QByteArray otherBytes("prgName = \"Other\";\n");
    const QString old = workPath(QStringLiteral("old.prgb"));
    const QString other = workPath(QStringLiteral("other.prgb"));
    QVERIFY(writeBytes(old, oldBytes));
    QVERIFY(writeBytes(other, otherBytes));
    const bool saveAs = action == QLatin1String("saveAsAction");
    const QString target = saveAs ? other : old;
    const QByteArray targetBytes = saveAs ? otherBytes : oldBytes;

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    dialogs->fileNames.enqueue(old);
    findAction(*window, "openAction")->trigger();
    QString text = QStringLiteral("prgName = \"Big\";\n");
    while (text.toUtf8().size() < textBytes)
        text += QStringLiteral("U = 1; // напряжение\n");
    replaceByEdit(*window, text);
    dialogs->calls.clear();

    if (saveAs)
        dialogs->fileNames.enqueue(target);
    {
        FileSizeLimit limit{static_cast<rlim_t>(limitBytes)};
        QVERIFY(limit.active);
        window->findChild<QAction *>(action)->trigger();
    }

    QStringList expectedKinds{QStringLiteral("warning")};
    if (saveAs)
        expectedKinds.prepend(QStringLiteral("save"));
    QCOMPARE(dialogs->kinds(), expectedKinds);
    QCOMPARE(dialogs->calls.constLast().text, QStringLiteral("Не удается сохранить файл"));
    QCOMPARE(readBytes(target), targetBytes);
    QCOMPARE(readBytes(old), oldBytes);
    QCOMPARE(QDir(work->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("old.prgb"), QStringLiteral("other.prgb")}));
    QCOMPARE(window->currentFilePath(), old);
    QVERIFY(findAction(*window, "saveAction")->isEnabled());
    QVERIFY(isModified(*window));

    // With room again, the text that could not be written is still there to save.
    findAction(*window, "saveAction")->trigger();
    QCOMPARE(readBytes(old), text.toUtf8());
    QVERIFY(!isModified(*window));
}

void FilesTest::saveAfterNewFileAsksForName()
{
    const QString path = workPath(QStringLiteral("current.prgb"));
    const QByteArray opened = "prgName = \"Cur\";\n";
    QVERIFY(writeBytes(path, opened));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    dialogs->fileNames.enqueue(path);
    findAction(*window, "openAction")->trigger();

    // A new program is a document of no file: the opened one is not written over by Save.
    findAction(*window, "newAction")->trigger();
    QCOMPARE(window->editor()->toPlainText(), NewProgramText);
    QCOMPARE(window->currentFilePath(), QString());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel[*]"));
    QVERIFY(findAction(*window, "saveAction")->isEnabled());
    typeText(*window, QStringLiteral("I = 2;"));
    dialogs->calls.clear();

    const QString chosen = workPath(QStringLiteral("new.prgb"));
    dialogs->fileNames.enqueue(chosen);
    findAction(*window, "saveAction")->trigger();

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("save")});
    // In the folder the file was opened from.
    QCOMPARE(dialogs->calls.constFirst().text, work->path());
    QCOMPARE(readBytes(path), opened);
    QCOMPARE(readBytes(chosen), QByteArray("prgName = \"Prg1\";\nI = 2;"));
    QCOMPARE(window->currentFilePath(), chosen);
    QVERIFY(!findAction(*window, "saveAction")->isEnabled());
}

void FilesTest::cancelledDialogChangesNothing_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Open") << QStringLiteral("openAction");
    QTest::newRow("Save with no current file") << QStringLiteral("saveAction");
    QTest::newRow("Save As") << QStringLiteral("saveAsAction");
}

void FilesTest::cancelledDialogChangesNothing()
{
    QFETCH(QString, action);
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    const QString text = window->editor()->toPlainText();

    window->findChild<QAction *>(action)->trigger();

    QCOMPARE(dialogs->calls.size(), 1);
    QCOMPARE(window->editor()->toPlainText(), text);
    QVERIFY(window->currentFilePath().isEmpty());
    QVERIFY(findAction(*window, "saveAction")->isEnabled());
    QVERIFY(!openStore()->contains(QStringLiteral("dirPrgFile")));
    QVERIFY(QDir(work->path()).entryList(QDir::Files).isEmpty());
}

void FilesTest::dialogsStartInWorkingFolderAtFirstStart_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");
    // Open also offers every file, so that a program saved without the suffix can be found.
    QTest::newRow("Open") << QStringLiteral("openAction") << QStringLiteral("open")
                          << QStringLiteral("Open File")
                          << Filter + QStringLiteral(";;Все файлы (*)");
    QTest::newRow("Save") << QStringLiteral("saveAction") << QStringLiteral("save")
                          << QStringLiteral("Save File") << Filter;
    QTest::newRow("Save As") << QStringLiteral("saveAsAction") << QStringLiteral("save")
                             << QStringLiteral("Save File") << Filter;
}

void FilesTest::dialogsStartInWorkingFolderAtFirstStart()
{
    QFETCH(QString, action);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, filter);

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    window->findChild<QAction *>(action)->trigger();

    QCOMPARE(dialogs->calls.size(), 1);
    QCOMPARE(dialogs->calls.at(0).kind, kind);
    QCOMPARE(dialogs->calls.at(0).title, caption);
    QCOMPARE(dialogs->calls.at(0).text, work->path());
    QCOMPARE(dialogs->calls.at(0).filter, filter);
}

void FilesTest::dialogsStartInRememberedFolderAfterRestart_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("fileExists");

    QTest::newRow("chosen in Open") << QStringLiteral("openAction") << true;
    QTest::newRow("chosen in an Open that failed") << QStringLiteral("openAction") << false;
    QTest::newRow("chosen in Save") << QStringLiteral("saveAction") << true;
    QTest::newRow("chosen in Save As") << QStringLiteral("saveAsAction") << true;
}

void FilesTest::dialogsStartInRememberedFolderAfterRestart()
{
    QFETCH(QString, action);
    QFETCH(bool, fileExists);

    const QString folder = workPath(QStringLiteral("Программы"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/pr.prgb");
    if (fileExists)
        QVERIFY(writeBytes(path, "a = 1;\n"));
    {
        ScriptedDialogs *dialogs = nullptr;
        auto window = makeWindow(dialogs);
        dialogs->fileNames.enqueue(path);
        window->findChild<QAction *>(action)->trigger();
        QCOMPARE(dialogs->kinds().contains(QStringLiteral("warning")), !fileExists);
    }

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    findAction(*window, "openAction")->trigger();
    findAction(*window, "saveAction")->trigger();
    findAction(*window, "saveAsAction")->trigger();

    QCOMPARE(dialogs->kinds(),
             (QStringList{QStringLiteral("open"), QStringLiteral("save"), QStringLiteral("save")}));
    for (const ScriptedDialogs::Call &call : qAsConst(dialogs->calls))
        QCOMPARE(call.text, folder);
}

void FilesTest::rememberedFolderReachesDiskAtOnce()
{
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    dialogs->fileNames.enqueue(workPath(QStringLiteral("absent.prgb")));
    findAction(*window, "openAction")->trigger();

    // Read the store's file itself while the window still lives: a crash now loses nothing.
    QFile store(storeFile);
    QVERIFY(store.open(QIODevice::ReadOnly));
    QVERIFY2(store.readAll().contains(QFile::encodeName(work->path())),
             qPrintable(store.fileName()));
}

void FilesTest::questionOnlyAfterEdit_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<bool>("asked");

    const QList<QPair<QString, bool>> states = {
        {QStringLiteral("start"), false},          {QStringLiteral("open"), false},
        {QStringLiteral("save"), false},           {QStringLiteral("save as"), false},
        {QStringLiteral("NewFile"), false},        {QStringLiteral("edit"), true},
        {QStringLiteral("edit after open"), true},
    };
    const QList<QPair<QString, Trigger>> triggers = {
        {QStringLiteral("close"), Trigger::Close},
        {QStringLiteral("New"), Trigger::New},
        {QStringLiteral("Open"), Trigger::Open},
    };
    for (const auto &state : states) {
        for (const auto &trigger : triggers) {
            const QString name = trigger.first + QStringLiteral(" after ") + state.first;
            QTest::newRow(qPrintable(name)) << state.first << trigger.second << state.second;
        }
    }
}

void FilesTest::questionOnlyAfterEdit()
{
    QFETCH(QString, state);
    QFETCH(Trigger, trigger);
    QFETCH(bool, asked);

    const QString path = workPath(QStringLiteral("p.prgb"));
    QVERIFY(writeBytes(path, "a = 1;\n"));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    window->show();
    if (state.contains(QLatin1String("open"))) {
        dialogs->fileNames.enqueue(path);
        findAction(*window, "openAction")->trigger();
    }
    if (state.startsWith(QLatin1String("save")) || state.startsWith(QLatin1String("edit")) ||
        state == QLatin1String("NewFile"))
        typeText(*window, QStringLiteral("b = 2;\n"));
    if (state == QLatin1String("save")) {
        dialogs->fileNames.enqueue(workPath(QStringLiteral("s.prgb")));
        findAction(*window, "saveAction")->trigger();
    } else if (state == QLatin1String("save as")) {
        dialogs->fileNames.enqueue(workPath(QStringLiteral("s.prgb")));
        findAction(*window, "saveAsAction")->trigger();
    } else if (state == QLatin1String("NewFile")) {
        dialogs->saveChoices.enqueue(Choice::Discard);
        findAction(*window, "newAction")->trigger();
        QCOMPARE(window->editor()->toPlainText(), NewProgramText);
    }
    QCOMPARE(isModified(*window), asked);
    dialogs->calls.clear();
    const QString textBefore = window->editor()->toPlainText();

    // An unanswered question is cancelled, so an asked question stops the operation.
    const bool wentAhead = runTrigger(*window, trigger);

    QCOMPARE(dialogs->kinds().contains(QStringLiteral("ask")), asked);
    if (asked) {
        QCOMPARE(dialogs->calls.at(0).title, QStringLiteral("Quorvel"));
        QCOMPARE(dialogs->calls.at(0).text,
                 QStringLiteral("Программа была изменена.\nСохранить изменения?"));
        QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("ask")});
        QCOMPARE(window->editor()->toPlainText(), textBefore);
        QVERIFY(window->isVisible());
        QVERIFY(isModified(*window));
    } else if (trigger == Trigger::Open) {
        QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("open")});
    } else {
        QVERIFY(wentAhead);
        QVERIFY(dialogs->calls.isEmpty());
    }
    if (trigger == Trigger::Close)
        QCOMPARE(window->isVisible(), asked);
}

void FilesTest::answerDecidesOutcome_data()
{
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<Choice>("answer");
    QTest::addColumn<bool>("haveCurrentFile");
    QTest::addColumn<QString>("saveTarget"); // the Save dialog's answer; empty cancels it
    QTest::addColumn<bool>("proceeds");

    struct Answer
    {
        const char *name;
        Choice choice;
        bool haveCurrentFile;
        QString saveTarget;
        bool proceeds;
    };
    const QList<Answer> answers = {
        {"do not save", Choice::Discard, true, QString(), true},
        {"cancel", Choice::Cancel, true, QString(), false},
        {"save to the current file", Choice::Save, true, QString(), true},
        {"save with no current file, name chosen", Choice::Save, false,
         QStringLiteral("named.prgb"), true},
        {"save with no current file, dialog cancelled", Choice::Save, false, QString(), false},
        {"save that fails", Choice::Save, false, QStringLiteral("folder.prgb"), false},
    };
    const QList<QPair<QString, Trigger>> triggers = {
        {QStringLiteral("close"), Trigger::Close},
        {QStringLiteral("New"), Trigger::New},
        {QStringLiteral("Open"), Trigger::Open},
    };
    for (const auto &trigger : triggers) {
        for (const Answer &answer : answers) {
            const QString name = trigger.first + QStringLiteral(", ") + QLatin1String(answer.name);
            QTest::newRow(qPrintable(name))
                << trigger.second << answer.choice << answer.haveCurrentFile << answer.saveTarget
                << answer.proceeds;
        }
    }
}

void FilesTest::answerDecidesOutcome()
{
    QFETCH(Trigger, trigger);
    QFETCH(Choice, answer);
    QFETCH(bool, haveCurrentFile);
    QFETCH(QString, saveTarget);
    QFETCH(bool, proceeds);

    const QByteArray currentBytes("prgName = \"Cur\";\n");
    const QString current = workPath(QStringLiteral("current.prgb"));
    const QString next = workPath(QStringLiteral("next.prgb"));
    QVERIFY(writeBytes(current, currentBytes));
    QVERIFY(writeBytes(next, "prgName = \"Next\";\n"));
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("folder.prgb")));

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    window->show();
    if (haveCurrentFile) {
        dialogs->fileNames.enqueue(current);
        findAction(*window, "openAction")->trigger();
    }
    typeText(*window, QStringLiteral("edited = 1;\n"));
    const QString edited = window->editor()->toPlainText();
    dialogs->calls.clear();

    dialogs->saveChoices.enqueue(answer);
    const bool savesThroughDialog = answer == Choice::Save && !haveCurrentFile;
    const QString savePath = saveTarget.isEmpty() ? QString() : workPath(saveTarget);
    if (savesThroughDialog)
        dialogs->fileNames.enqueue(savePath);
    if (trigger == Trigger::Open)
        dialogs->fileNames.enqueue(next);

    runTrigger(*window, trigger);

    QStringList expectedKinds{QStringLiteral("ask")};
    if (savesThroughDialog)
        expectedKinds << QStringLiteral("save");
    if (savesThroughDialog && saveTarget == QLatin1String("folder.prgb"))
        expectedKinds << QStringLiteral("warning");
    if (proceeds && trigger == Trigger::Open)
        expectedKinds << QStringLiteral("open");
    QCOMPARE(dialogs->kinds(), expectedKinds);

    // Where the edited text went.
    if (answer == Choice::Save && proceeds)
        QCOMPARE(readBytes(haveCurrentFile ? current : savePath), edited.toUtf8());
    else
        QCOMPARE(readBytes(current), currentBytes);
    QVERIFY(QFileInfo(workPath(QStringLiteral("folder.prgb"))).isDir());

    if (!proceeds) {
        QVERIFY(window->isVisible());
        QCOMPARE(window->editor()->toPlainText(), edited);
        QVERIFY(isModified(*window));
        QCOMPARE(window->currentFilePath(), haveCurrentFile ? current : QString());
        return;
    }
    switch (trigger) {
    case Trigger::Close:
        QVERIFY(!window->isVisible());
        break;
    case Trigger::New:
        QVERIFY(window->isVisible());
        QCOMPARE(window->editor()->toPlainText(), NewProgramText);
        QVERIFY(!isModified(*window));
        break;
    case Trigger::Open:
        QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"Next\";\n"));
        QCOMPARE(window->currentFilePath(), next);
        QVERIFY(!isModified(*window));
        break;
    }
}

void FilesTest::saveAddsSuffix_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");

    QTest::newRow("Save As, no suffix") << "saveAsAction"
                                        << "ramp"
                                        << "ramp.prgb";
    QTest::newRow("Save with no current file, no suffix") << "saveAction"
                                                          << "ramp"
                                                          << "ramp.prgb";
    QTest::newRow("Save As, program suffix") << "saveAsAction"
                                             << "ramp.prgb"
                                             << "ramp.prgb";
    QTest::newRow("Save As, another suffix") << "saveAsAction"
                                             << "ramp.txt"
                                             << "ramp.txt";
    QTest::newRow("Save As, dot in a folder name only") << "saveAsAction"
                                                        << "v1.2/ramp"
                                                        << "v1.2/ramp.prgb";
}

void FilesTest::saveAddsSuffix()
{
    QFETCH(QString, action);
    QFETCH(QString, typed);
    QFETCH(QString, written);

    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("v1.2")));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    typeText(*window, QStringLiteral("Us = 1;\n"));
    const QString text = window->editor()->toPlainText();

    dialogs->fileNames.enqueue(workPath(typed));
    window->findChild<QAction *>(action)->trigger();

    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("save")});
    QCOMPARE(dialogs->calls.constFirst().detail, QStringLiteral("prgb"));
    QCOMPARE(readBytes(workPath(written)), text.toUtf8());
    QCOMPARE(window->currentFilePath(), workPath(written));
    if (typed != written)
        QVERIFY(!QFileInfo::exists(workPath(typed)));
    QCOMPARE(window->windowTitle(),
             QFileInfo(written).fileName() + QStringLiteral("[*] — Quorvel"));
}

void FilesTest::readKeepsUserText_data()
{
    QTest::addColumn<bool>("edited");
    QTest::addColumn<Choice>("answer");
    QTest::addColumn<bool>("reads");

    QTest::newRow("text as opened: no question") << false << Choice::Cancel << true;
    QTest::newRow("edited, cancel: nothing sent") << true << Choice::Cancel << false;
    QTest::newRow("edited, do not save") << true << Choice::Discard << true;
    QTest::newRow("edited, save first") << true << Choice::Save << true;
}

void FilesTest::readKeepsUserText()
{
    QFETCH(bool, edited);
    QFETCH(Choice, answer);
    QFETCH(bool, reads);

    if (SimulatorProcess::executable().isEmpty())
        QSKIP("QUORVEL_SIMULATOR is not set: run through ctest");
    SimulatorProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    // Label 2, M1 *= M8, a jump to record 0, under "Rd".
    SimulatedCell cell;
    cell.count = 3;
    cell.name = QByteArray("Rd   ");
    cell.lines = InstructionList{TestRecords::record(10, 0, 2), TestRecords::record(9, 0x86, 13),
                                 TestRecords::record(3, 0, 0)};
    QVERIFY(sim.setCell(0, cell));
    const QString deviceText = QStringLiteral("prgName = \"Rd\";\n\n#2;\nM1 *= M8;\njmp #2;");

    // A file with comments, which a device program must never overwrite.
    const QByteArray openedBytes("prgName = \"Cmt\";\n// подъём напряжения\nUs = 5;\n");
    const QString opened = workPath(QStringLiteral("commented.prgb"));
    QVERIFY(writeBytes(opened, openedBytes));
    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    dialogs->fileNames.enqueue(opened);
    findAction(*window, "openAction")->trigger();
    if (edited)
        typeText(*window, QStringLiteral("Is = 2;\n"));
    const QString before = window->editor()->toPlainText();
    window->portBox()->setEditText(sim.portPath());
    findAction(*window, "connectAction")->trigger();
    QTRY_VERIFY(findAction(*window, "readAction")->isEnabled());
    dialogs->calls.clear();
    dialogs->saveChoices.enqueue(answer);

    findAction(*window, "readAction")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(window->isDeviceIdle(), WindowFixture::DeviceTimeoutMs);

    QCOMPARE(dialogs->kinds(), edited ? QStringList{QStringLiteral("ask")} : QStringList());
    // Typed by the user: Enter saves.
    if (edited)
        QCOMPARE(dialogs->calls.at(0).detail, QStringLiteral("save"));
    const QByteArray savedBytes = answer == Choice::Save ? before.toUtf8() : openedBytes;
    QCOMPARE(readBytes(opened), savedBytes);
    if (!reads) {
        QCOMPARE(sim.requestCount(), 0);
        QCOMPARE(window->editor()->toPlainText(), before);
        QCOMPARE(window->currentFilePath(), opened);
        QVERIFY(isModified(*window));
        return;
    }
    QCOMPARE(window->editor()->toPlainText(), deviceText);
    // The device's program has no file yet.
    QVERIFY(window->currentFilePath().isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel[*]"));
    QVERIFY(window->isWindowModified());

    // Read, not typed: Enter in the question about it cancels rather than writes a file.
    dialogs->calls.clear();
    findAction(*window, "newAction")->trigger();
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("ask")});
    QCOMPARE(dialogs->calls.at(0).detail, QStringLiteral("cancel"));
    QCOMPARE(window->editor()->toPlainText(), deviceText);

    // One undo brings back the text the read replaced, one redo the device's program.
    window->editor()->undo();
    QCOMPARE(window->editor()->toPlainText(), before);
    window->editor()->redo();
    QCOMPARE(window->editor()->toPlainText(), deviceText);

    // Save asks for a name, and the file that was open keeps its bytes.
    const QString copy = workPath(QStringLiteral("from-device.prgb"));
    dialogs->calls.clear();
    dialogs->fileNames.enqueue(copy);
    findAction(*window, "saveAction")->trigger();
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("save")});
    QCOMPARE(readBytes(copy), deviceText.toUtf8());
    QCOMPARE(readBytes(opened), savedBytes);
    window.reset();
}

void FilesTest::recentFilesSurviveRestart()
{
    QStringList paths;
    for (int i = 0; i < 9; ++i) {
        paths << workPath(QStringLiteral("p%1.prgb").arg(i));
        QVERIFY(writeBytes(paths.constLast(),
                           QByteArray("prgName = \"P") + QByteArray::number(i) + "\";\n"));
    }
    const auto menuPaths = [](const MainWindow &window) {
        QStringList out;
        for (QAction *a : window.findChild<QMenu *>(QStringLiteral("menuRecentFiles"))->actions()) {
            if (!a->data().toString().isEmpty())
                out << a->data().toString();
        }
        return out;
    };
    {
        ScriptedDialogs *dialogs = nullptr;
        auto window = makeWindow(dialogs);
        QVERIFY(menuPaths(*window).isEmpty());
        for (const QString &path : qAsConst(paths)) {
            dialogs->fileNames.enqueue(path);
            findAction(*window, "openAction")->trigger();
        }
        // Saving under a new name puts that name first; opening p8 again does not list it twice.
        dialogs->fileNames.enqueue(workPath(QStringLiteral("saved.prgb")));
        findAction(*window, "saveAsAction")->trigger();
        dialogs->fileNames.enqueue(paths.at(8));
        findAction(*window, "openAction")->trigger();
    }
    QStringList expected{paths.at(8), workPath(QStringLiteral("saved.prgb"))};
    for (int i = 7; i >= 2; --i)
        expected << paths.at(i);

    ScriptedDialogs *dialogs = nullptr;
    auto window = makeWindow(dialogs);
    QCOMPARE(menuPaths(*window), expected);

    // Choosing one opens it; one that has gone since is reported and leaves the list.
    QVERIFY(QFile::remove(paths.at(7)));
    const QList<QAction *> actions =
        window->findChild<QMenu *>(QStringLiteral("menuRecentFiles"))->actions();
    actions.at(2)->trigger();
    QCOMPARE(dialogs->kinds(), QStringList{QStringLiteral("warning")});
    QCOMPARE(dialogs->calls.at(0).detail, QStringLiteral("Файл не найден."));
    expected.removeAt(2);
    QCOMPARE(menuPaths(*window), expected);
    window->findChild<QMenu *>(QStringLiteral("menuRecentFiles"))->actions().at(3)->trigger();
    QCOMPARE(window->currentFilePath(), paths.at(5));
    QCOMPARE(window->editor()->toPlainText(), QStringLiteral("prgName = \"P5\";\n"));
    QCOMPARE(menuPaths(*window).constFirst(), paths.at(5));

    // Only programs: a file refused, or one that is not all text, stays out of the list.
    const QStringList before = menuPaths(*window);
    const QString binary = workPath(QStringLiteral("image.prgb"));
    QVERIFY(writeBytes(binary, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    for (const QString &path : {binary, work->path(), workPath(QStringLiteral("gone.prgb"))}) {
        dialogs->fileNames.enqueue(path);
        findAction(*window, "openAction")->trigger();
        QCOMPARE(menuPaths(*window), before);
    }

    // «Очистить список» ends the menu and empties it for good.
    auto *menu = window->findChild<QMenu *>(QStringLiteral("menuRecentFiles"));
    QAction *clear = menu->actions().constLast();
    QCOMPARE(clear->text(), QStringLiteral("&Очистить список"));
    QVERIFY(menu->actions().at(menu->actions().size() - 2)->isSeparator());
    clear->trigger();
    QVERIFY(menu->actions().isEmpty());
    QVERIFY(!menu->isEnabled());
    window.reset();
    window = makeWindow(dialogs);
    QVERIFY(menuPaths(*window).isEmpty());
}

QTEST_MAIN(FilesTest)
#include "tst_files.moc"
