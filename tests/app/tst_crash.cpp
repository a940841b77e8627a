// The real program killed at random moments (SIGKILL, as a power cut would end it for
// the program) and run twice at once: nothing it wrote may be lost, half-written or
// claimed without being there.
#include "appinfo.h"
#include "realprogram.h"
#include "settingsstore.h"
#include "testserver.h"
#include "testsupport.h"
#include "updatelist.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace realprogram;

namespace {

constexpr int kFiles = 6;
constexpr qint64 kFileSize = 1200 * 1024;

QString fileName(int i)
{
    return u"f"_s + QString::number(i) + u".dat"_s;
}

QByteArray oldContent(int i)
{
    return "old " + QByteArray::number(i);
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { startXServer(m_xserver); }
    void cleanupTestCase();
    void killedDuringAnUpdateLeavesHonestFiles();
    void killedWhileTypingKeepsTheNote();
    void twoCopiesShareTheStore();

private:
    void resetData(const QString &data);
    void checkHonest(const QString &data, const QByteArray &remoteList, bool *complete);
    // Starts the program and returns once its main window is shown.
    QByteArray startToMainWindow(QProcess &process, const QString &program, const QString &config);
    void killAfter(QProcess &process, int ms);

    QProcess m_xserver;
};

void TestCrash::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

void TestCrash::resetData(const QString &data)
{
    QDir(data).removeRecursively();
    QByteArray list = QByteArray::number(kFiles + 1) + "\r\n";
    for (int i = 0; i < kFiles; ++i) {
        testsupport::writeFile(data + fileName(i), oldContent(i));
        list += fileName(i).toLatin1() + ",1," + QByteArray::number(oldContent(i).size()) +
                ",http://old.invalid/\r\n";
    }
    testsupport::writeFile(data + u"update.dat"_s, list + "\r\n");
    testsupport::writeFile(data + u"vers.dat"_s, "\"2026.1206\"\r\n");
    testsupport::writeFile(data + u"cml.nmd"_s,
                           testsupport::dataFile({testsupport::record(u"Bat"_s)}));
}

void TestCrash::killAfter(QProcess &process, int ms)
{
    QSignalSpy ended(&process, &QProcess::finished);
    QTimer::singleShot(ms, &process, &QProcess::kill);
    QVERIFY(ended.wait(20000));
}

// Every data file is whole, old or new; update.dat never names a file at a version newer
// than the one on disk, and vers.dat claims the new database only when all of it is
// there. No stray file.
void TestCrash::checkHonest(const QString &data, const QByteArray &remoteList, bool *complete)
{
    const QByteArray fresh = TestServer::generatedBytes(0, kFileSize);
    const UpdateList list =
        readUpdateList(regroupLocalList(testsupport::readFile(data + u"update.dat"_s)));
    QVERIFY(list.readable);
    int newFiles = 0;
    for (const UpdateEntry &entry : list.entries) {
        const QByteArray bytes = testsupport::readFile(data + entry.fileName);
        const int i = entry.fileName.mid(1, 1).toInt();
        // Whole, old or new. A file may be new while its entry is still old (killed between
        // storing it and naming it): the next run fetches it again. Never the other way.
        QVERIFY2(entry.version == u"2"_s ? bytes == fresh
                                         : bytes == oldContent(i) || bytes == fresh,
                 qPrintable(entry.fileName + u" does not match its entry"_s));
        newFiles += entry.version == u"2"_s;
    }
    QCOMPARE(list.entries.size(), kFiles);
    QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden).size(), kFiles + 3);
    *complete = testsupport::readFile(data + u"vers.dat"_s) == "\"2026.1207\"\r\n";
    if (*complete) {
        QCOMPARE(newFiles, kFiles);
        QCOMPARE(testsupport::readFile(data + u"update.dat"_s), remoteList + "\r\n");
    }
}

void TestCrash::killedDuringAnUpdateLeavesHonestFiles()
{
    QTemporaryDir dir;
    const QString program = installProgram(dir.path());
    const QString data = dir.filePath(u"data/"_s);
    const QString config = dir.filePath(u"config"_s);
    TestServer server;
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    QByteArray list = QByteArray::number(kFiles + 1) + "\r\n";
    TestServer::Reply slow;
    slow.generatedSize = kFileSize;
    slow.chunkDelayMs = 20; // about half a second a file
    for (int i = 0; i < kFiles; ++i) {
        server.setReply(u"/files/"_s + fileName(i), slow);
        list += fileName(i).toLatin1() + ",2," + QByteArray::number(kFileSize) + "," +
                server.urlText(u"/files/"_s + fileName(i)).toLatin1() + "\r\n";
    }
    server.setBody(u"/monster/update.dat"_s, list);
    server.setBody(u"/monster/vers.dat"_s, "2026.1207\r\n");
    writeIni(dir.path(), {u"ProgramVersionUrl="_s + server.urlText(u"/monster.txt"_s),
                          u"DatabaseVersionUrl="_s + server.urlText(u"/monster/vers.dat"_s),
                          u"UpdateListUrl="_s + server.urlText(u"/monster/update.dat"_s)});

    bool complete = true;
    for (int kill = 0; kill < 20; ++kill) {
        if (complete) // start over from the old database
            resetData(data);
        QProcess process;
        start(process, program, config);
        QByteArray question;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(question = findWindow(u"Database Update"_s, process.processId())).isEmpty(), 20000);
        QVERIFY(keys(question, {u"Return"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(
            !findWindow(u"Updating Monster Database"_s, process.processId()).isEmpty(), 10000);
        killAfter(process, int(QRandomGenerator::global()->bounded(4000)));
        checkHonest(data, list, &complete);
        if (QTest::currentTestFailed())
            return;
    }

    // The next run finishes what the last one left.
    if (!complete) {
        QProcess process;
        start(process, program, config);
        QByteArray question;
        QTRY_VERIFY_WITH_TIMEOUT(!(question = findWindow(u"Database Update"_s)).isEmpty(), 20000);
        QVERIFY(keys(question, {u"Return"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(testsupport::readFile(data + u"vers.dat"_s),
                                  QByteArray("\"2026.1207\"\r\n"), 20000);
        killAfter(process, 0);
        checkHonest(data, list, &complete);
        QVERIFY(complete);
    }
}

QByteArray TestCrash::startToMainWindow(QProcess &process, const QString &program,
                                        const QString &config)
{
    start(process, program, config);
    return skipSplash(process);
}

void TestCrash::killedWhileTypingKeepsTheNote()
{
    QTemporaryDir dir;
    const QString program = installProgram(dir.path());
    testsupport::writeFile(
        dir.filePath(u"data/cml.nmd"_s),
        testsupport::dataFile({testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s)}));
    const QString typed = u"bats drop cards at night and flee from light "_s.repeated(3);
    int kept = 0;
    for (int kill = 0; kill < 5; ++kill) {
        const QString config = dir.filePath(u"config"_s + QString::number(kill));
        setChecks(config, false);
        QProcess process;
        const QByteArray window = startToMainWindow(process, program, config);
        QVERIFY(!window.isEmpty());
        QVERIFY(keys(window, {u"Down"_s, u"Tab"_s})); // selects Bat, goes to its notes
        QProcess typing;
        typing.start(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"8"_s, typed});
        killAfter(process, 200 + int(QRandomGenerator::global()->bounded(600)));
        typing.waitForFinished();

        SettingsStore store(config + u"/nvmonster/settings.sqlite"_s);
        const QString note = store.get(u"notes"_s, u"Bat"_s);
        QVERIFY2(typed.startsWith(note), qPrintable(note));
        kept += !note.isEmpty();
    }
    QVERIFY(kept > 0); // the kills did come while typing
}

void TestCrash::twoCopiesShareTheStore()
{
    QTemporaryDir dir;
    const QString program = installProgram(dir.path());
    testsupport::writeFile(
        dir.filePath(u"data/cml.nmd"_s),
        testsupport::dataFile({testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s)}));
    const QString config = dir.filePath(u"config"_s);
    setChecks(config, false);
    SettingsStore(config + u"/nvmonster/settings.sqlite"_s)
        .save(u"settings"_s, u"saveposition"_s, u"1"_s);
    QProcess first, second;
    const QByteArray a = startToMainWindow(first, program, config);
    const QByteArray b = startToMainWindow(second, program, config);
    QVERIFY(!a.isEmpty() && !b.isEmpty());
    QVERIFY(keys(a, {u"Down"_s, u"Up"_s, u"Tab"_s})); // Ant
    QVERIFY(keys(b, {u"Down"_s, u"Tab"_s}));          // Bat

    // Both type in turns while each saves its position every five seconds.
    QString antNote, batNote;
    for (int round = 0; round < 12; ++round) {
        const QString word = u"word"_s + QString::number(round) + u' ';
        for (const auto &[window, note] : {std::pair{a, &antNote}, std::pair{b, &batNote}}) {
            QVERIFY(xdotool({u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(window)}));
            QVERIFY(xdotool({u"type"_s, u"--delay"_s, u"5"_s, word}));
            note->append(word);
        }
    }
    SettingsStore store(config + u"/nvmonster/settings.sqlite"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!store.get(u"placement"_s, u"maintop"_s).isEmpty(), 12000);
    QTRY_COMPARE_WITH_TIMEOUT(store.get(u"notes"_s, u"Ant"_s), antNote, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(store.get(u"notes"_s, u"Bat"_s), batNote, 5000);
    // No message came up in either copy: they carry the program's title or the main
    // window's.
    QCOMPARE(findWindows(kAppTitle).size(), 0);
    QCOMPARE(findWindows(kMainTitle).size(), 2);
    for (QProcess *process : {&first, &second})
        killAfter(*process, 0);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
