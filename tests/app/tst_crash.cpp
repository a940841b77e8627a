// The real program killed at random moments (SIGKILL, as a power cut would end it for
// the program): nothing it wrote may be lost, half-written or claimed without being there.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"
#include "updatelist.h"

#include <QRandomGenerator>
#include <QTimer>

using namespace realprogram;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

constexpr int kFiles = 6;
constexpr qint64 kFileSize = 1200 * 1024;

void killAfter(QProcess &process, int ms)
{
    QTimer::singleShot(ms, &process, &QProcess::kill);
    QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 20000);
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_desktop.start(); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = m_dir->filePath(u"data/"_s);
        m_program = installProgram(m_dir->path(),
                                   {testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s)});
        QVERIFY(!m_program.isEmpty());
    }
    void killedDuringAnUpdateLeavesHonestFiles();
    void killedWhileTypingKeepsTheNote();

private:
    void resetData();
    void checkHonest(const QByteArray &remoteList, bool *complete);

    Desktop m_desktop;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    QString m_data;
};

void TestCrash::resetData()
{
    QByteArray list = QByteArray::number(kFiles + 1) + "\r\n";
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = "f" + QByteArray::number(i) + ".dat";
        writeFile(m_data + QString::fromLatin1(name), "old " + name);
        list += name + ",1," + QByteArray::number(name.size() + 4) + ",http://old.invalid/\r\n";
    }
    writeFile(m_data + u"update.dat"_s, list + "\r\n");
    writeFile(m_data + u"vers.dat"_s, "\"2026.1206\"\r\n");
}

// Every data file is whole, old or new; update.dat never names a file at a version newer
// than the one on disk, and vers.dat claims the new database only when all of it is
// there. No stray file.
void TestCrash::checkHonest(const QByteArray &remoteList, bool *complete)
{
    const QByteArray fresh = TestServer::generatedBytes(0, kFileSize);
    const UpdateList list = readUpdateList(regroupLocalList(readFile(m_data + u"update.dat"_s)));
    QVERIFY(list.readable);
    int newFiles = 0;
    for (const UpdateEntry &entry : list.entries) {
        const QByteArray bytes = readFile(m_data + entry.fileName);
        // Whole, old or new. A file may be new while its entry is still old (killed between
        // storing it and naming it): the next run fetches it again. Never the other way.
        QVERIFY2(entry.version == u"2"_s
                     ? bytes == fresh
                     : bytes == "old " + entry.fileName.toLatin1() || bytes == fresh,
                 qPrintable(entry.fileName + u" does not match its entry"_s));
        newFiles += entry.version == u"2"_s;
    }
    QCOMPARE(list.entries.size(), kFiles);
    QCOMPARE(QDir(m_data).entryList(QDir::Files | QDir::Hidden).size(), kFiles + 3);
    *complete = readFile(m_data + u"vers.dat"_s) == "\"2026.1207\"\r\n";
    if (*complete) {
        QCOMPARE(newFiles, kFiles);
        QCOMPARE(readFile(m_data + u"update.dat"_s), remoteList + "\r\n");
    }
}

// Twenty runs killed during the update, and one more that finishes what they left.
void TestCrash::killedDuringAnUpdateLeavesHonestFiles()
{
    TestServer server;
    QByteArray list = QByteArray::number(kFiles + 1) + "\r\n";
    for (int i = 0; i < kFiles; ++i) {
        const QString path = u"/files/f%1.dat"_s.arg(i);
        server.setReply(path, {.chunkDelayMs = 20, .generatedSize = kFileSize}); // ~0.5 s a file
        list +=
            (u"f%1.dat,2,%2,"_s.arg(i).arg(kFileSize) + server.urlText(path)).toLatin1() + "\r\n";
    }
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    server.setBody(u"/monster/update.dat"_s, list);
    server.setBody(u"/monster/vers.dat"_s, "2026.1207\r\n");
    writeIni(m_dir->path(), server.urlText(u"/"_s));

    bool complete = true;
    for (int run = 0; (run < 20 || (run == 20 && !complete)) && !QTest::currentTestFailed();
         ++run) {
        const bool last = run == 20; // it finishes what the runs before left
        if (complete)                // start over from the old database
            resetData();
        Process process;
        start(process, m_program, m_dir->path());
        QVERIFY(keys(waitForWindow(u"Database Update"_s, process.processId()), {u"Return"_s}));
        waitForWindow(u"Updating Monster Database"_s, process.processId());
        if (last)
            QTRY_COMPARE_WITH_TIMEOUT(readFile(m_data + u"vers.dat"_s),
                                      QByteArray("\"2026.1207\"\r\n"), 20000);
        killAfter(process, last ? 0 : int(QRandomGenerator::global()->bounded(4000)));
        checkHonest(list, &complete);
    }
}

void TestCrash::killedWhileTypingKeepsTheNote()
{
    const QString typed = u"bats drop cards at night and flee from light "_s.repeated(3);
    int kept = 0;
    for (int kill = 0; kill < 5; ++kill) {
        const QString home = m_dir->filePath(QString::number(kill)); // a store of its own
        setChecks(home, false);
        Process process, typing;
        QVERIFY(keys(startToMain(process, m_program, home), {u"Down"_s, u"Tab"_s})); // Bat's notes
        typing.start(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"8"_s, typed});
        killAfter(process, 200 + int(QRandomGenerator::global()->bounded(600)));
        typing.waitForFinished();
        const QString note = settings(home).get(u"notes"_s, u"Bat"_s);
        QVERIFY2(typed.startsWith(note), qPrintable(note));
        kept += !note.isEmpty();
    }
    QVERIFY(kept > 0); // the kills did come while typing
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
