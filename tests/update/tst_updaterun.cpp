#include "../testsupport.h"
#include "net/httpfetcher.h"
#include "testserver.h"
#include "update/updaterun.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Files = QMap<QString, QByteArray>;

// Every file under `dir`, by relative path.
Files snapshot(const QString &dir)
{
    Files files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(dir).relativeFilePath(path), file.readAll());
    }
    return files;
}

} // namespace

class TestUpdateRun : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void downloadsChangedFilesWithProgress();
    void oneSmallFileShowsAHundredPercent();
    void agreeingListsDownloadNothing();
    void comparesVersionAndSizeNotUrl();
    void interruptedFileLeavesHonestFilesAndNextRunFinishes();
    void unsafeNamesAreNeverWritten();
    void missingFileIsReportedAndTheRunGoesOn();
    void unreadableListChangesNothing_data();
    void unreadableListChangesNothing();
    void webPageVersionReplyKeepsVersionFile();

private:
    // Runs an update and returns what the window would have shown, one line per text.
    QStringList runUpdate(UpdateRun **kept = nullptr);
    QByteArray entry(const QString &name, const QString &version, qint64 size);
    void serveFile(const QString &name, const QByteArray &body)
    {
        m_server->setBody(u"/files/"_s + name, body);
    }
    QByteArray read(const QString &name) const { return snapshot(m_data).value(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestServer> m_server;
    QString m_data;
    std::unique_ptr<UpdateRun> m_run;
    HttpFetcher m_fetcher{std::chrono::milliseconds(5000)};
};

void TestUpdateRun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath(u"data/"_s);
    QDir().mkpath(m_data);
    m_server = std::make_unique<TestServer>();
    m_server->setBody(u"/monster/vers.dat"_s, "2026.12b-x\r\n");
}

QByteArray TestUpdateRun::entry(const QString &name, const QString &version, qint64 size)
{
    return QStringLiteral("%1,%2,%3,%4\r\n")
        .arg(name, version)
        .arg(size)
        .arg(m_server->urlText(u"/files/"_s + name))
        .toLatin1();
}

QStringList TestUpdateRun::runUpdate(UpdateRun **kept)
{
    m_run = std::make_unique<UpdateRun>(
        m_fetcher, UpdateRun::Config{m_data, m_server->urlText(u"/monster/update.dat"_s),
                                     m_server->urlText(u"/monster/vers.dat"_s)});
    QStringList shown;
    connect(m_run.get(), &UpdateRun::panelText, this, [&shown](int panel, const QString &text) {
        shown.append(QStringLiteral("panel%1: %2").arg(panel).arg(text));
    });
    connect(m_run.get(), &UpdateRun::fileStatus, this,
            [&shown](const QString &text) { shown.append(u"status: "_s + text); });
    connect(m_run.get(), &UpdateRun::fileStatus2, this,
            [&shown](const QString &text) { shown.append(u"status2: "_s + text); });
    connect(m_run.get(), &UpdateRun::fileNotFound, this,
            [&shown](const QString &name) { shown.append(u"not found: "_s + name); });
    connect(m_run.get(), &UpdateRun::filesFinished, this,
            [&shown] { shown.append(u"continue"_s); });
    m_run->run();
    if (kept)
        *kept = m_run.get();
    return shown;
}

void TestUpdateRun::downloadsChangedFilesWithProgress()
{
    const QByteArray list =
        "3\r\n" + entry(u"a.gif"_s, u"1"_s, 3000) + entry(u"pics\\b.bmp"_s, u"1"_s, 5000);
    m_server->setBody(u"/monster/update.dat"_s, list);
    serveFile(u"a.gif"_s, QByteArray(3000, 'a'));
    serveFile(u"pics\\b.bmp"_s, QByteArray(5000, 'b'));
    testsupport::writeFile(m_data + u"pics/b.bmp"_s, QByteArray(9000, 'o')); // longer, older

    const QStringList shown = runUpdate();
    QCOMPARE(shown, (QStringList{
                        u"panel1: Getting Versions..."_s,
                        u"panel1: Comparing versions..."_s,
                        u"panel1: 2 files to update ..."_s,
                        u"panel2: 0%"_s,
                        u"panel1: Downloading file 1 of 2..."_s,
                        u"status: Downloading a.gif (3000 bytes)..."_s,
                        u"status: "_s,
                        u"status2: a.gif updated."_s,
                        u"panel2: 37%"_s,
                        u"panel1: Downloading file 2 of 2..."_s,
                        u"status: Downloading pics\\b.bmp (5000 bytes)..."_s,
                        u"status: "_s,
                        u"status2: pics\\b.bmp updated."_s,
                        u"panel2: 98%"_s,
                        u"panel1: Done updating!"_s,
                        u"panel2: 100%"_s,
                        u"panel1: Finished Updating Database"_s,
                        u"continue"_s,
                    }));
    QCOMPARE(read(u"a.gif"_s), QByteArray(3000, 'a'));
    QCOMPARE(read(u"pics/b.bmp"_s), QByteArray(5000, 'b'));
    QCOMPARE(read(u"update.dat"_s), list + "\r\n");
    QCOMPARE(read(u"vers.dat"_s), QByteArray("\"2026.12b-\"\r\n"));
    QCOMPARE(snapshot(m_data).size(), 4); // no temporary file left behind
}

void TestUpdateRun::oneSmallFileShowsAHundredPercent()
{
    m_server->setBody(u"/monster/update.dat"_s, "2\r\n" + entry(u"cml.nmd"_s, u"2"_s, 1500));
    serveFile(u"cml.nmd"_s, QByteArray(1500, 'c'));
    const QStringList shown = runUpdate();
    QVERIFY(shown.contains(u"panel1: One file to update ..."_s));
    QCOMPARE(shown.filter(u"panel2"_s),
             (QStringList{u"panel2: 0%"_s, u"panel2: 100%"_s, u"panel2: 100%"_s}));
}

void TestUpdateRun::agreeingListsDownloadNothing()
{
    const QByteArray list = "2\r\n" + entry(u"cml.nmd"_s, u"2"_s, 1500) + "\r\n";
    m_server->setBody(u"/monster/update.dat"_s, list);
    testsupport::writeFile(m_data + u"update.dat"_s, list + "\r\n");
    testsupport::writeFile(m_data + u"cml.nmd"_s, "old");

    const QStringList shown = runUpdate();
    QVERIFY(shown.contains(u"panel1: No files to update!"_s));
    QCOMPARE(shown.last(), u"continue"_s);
    QCOMPARE(m_server->hits(u"/files/cml.nmd"_s), 0);
    QCOMPARE(read(u"cml.nmd"_s), QByteArray("old"));
    QCOMPARE(read(u"update.dat"_s), list + "\r\n");
    QCOMPARE(read(u"vers.dat"_s), QByteArray("\"2026.12b-\"\r\n"));
}

void TestUpdateRun::comparesVersionAndSizeNotUrl()
{
    // Locally: a at version "v1", b at 100 bytes, c known by another URL, d twice (the
    // later entry counts), e not at all.
    QByteArray local = "6\r\n" + entry(u"a"_s, u"v1"_s, 10) + entry(u"b"_s, u"1"_s, 100) +
                       "c,1,10,http://elsewhere.invalid/c\r\n" + entry(u"d"_s, u"1"_s, 10) +
                       entry(u"d"_s, u"2"_s, 10) + "\r\n";
    testsupport::writeFile(m_data + u"update.dat"_s, local);
    const QByteArray remote = "6\r\n" + entry(u"a"_s, u"V1"_s, 10) + entry(u"b"_s, u"1"_s, 101) +
                              entry(u"c"_s, u"1"_s, 10) + entry(u"d"_s, u"2"_s, 10) +
                              entry(u"e"_s, u"1"_s, 10) + entry(u"beyond"_s, u"1"_s, 1);
    m_server->setBody(u"/monster/update.dat"_s, remote);
    for (const QString &name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"beyond"_s})
        serveFile(name, name.toLatin1());

    UpdateRun *run = nullptr;
    runUpdate(&run);
    QCOMPARE(run->updateCount(), 3);
    for (const QString &name : {u"a"_s, u"b"_s, u"e"_s})
        QCOMPARE(m_server->hits(u"/files/"_s + name), 1);
    for (const QString &name : {u"c"_s, u"d"_s, u"beyond"_s})
        QCOMPARE(m_server->hits(u"/files/"_s + name), 0);
}

void TestUpdateRun::interruptedFileLeavesHonestFilesAndNextRunFinishes()
{
    const QByteArray local = "3\r\n" + entry(u"a"_s, u"1"_s, 4) + entry(u"b"_s, u"1"_s, 4) + "\r\n";
    testsupport::writeFile(m_data + u"update.dat"_s, local);
    testsupport::writeFile(m_data + u"a"_s, "old1");
    testsupport::writeFile(m_data + u"b"_s, "old2");
    testsupport::writeFile(m_data + u"vers.dat"_s, "\"2026.12a\"\r\n");
    const QByteArray remote = "4\r\n" + entry(u"a"_s, u"2"_s, 4000) + entry(u"b"_s, u"2"_s, 4000) +
                              entry(u"c"_s, u"2"_s, 4000);
    m_server->setBody(u"/monster/update.dat"_s, remote);
    serveFile(u"a"_s, QByteArray(4000, 'A'));
    TestServer::Reply cut;
    cut.body = QByteArray(4000, 'B');
    cut.cutOff = true;
    m_server->setReply(u"/files/b"_s, cut);
    serveFile(u"c"_s, QByteArray(4000, 'C'));

    UpdateRun *run = nullptr;
    const QStringList shown = runUpdate(&run);
    QCOMPARE(run->failedCount(), 1);
    QVERIFY(shown.contains(u"panel1: Done updating, one file failed!"_s));
    QVERIFY(!shown.contains(u"panel1: Finished Updating Database"_s));
    QCOMPARE(read(u"a"_s), QByteArray(4000, 'A'));
    QCOMPARE(read(u"b"_s), QByteArray("old2")); // untouched, no half file
    QCOMPARE(read(u"c"_s), QByteArray(4000, 'C'));
    QCOMPARE(snapshot(m_data).size(), 5);
    QCOMPARE(read(u"vers.dat"_s), QByteArray("\"2026.12a\"\r\n"));
    // update.dat claims what is on disk: a and c new, b still old.
    QCOMPARE(read(u"update.dat"_s), "4\r\n" + entry(u"a"_s, u"2"_s, 4000) +
                                        entry(u"b"_s, u"1"_s, 4) + entry(u"c"_s, u"2"_s, 4000) +
                                        "\r\n");

    // The next run fetches only what is missing and then renews everything.
    serveFile(u"b"_s, QByteArray(4000, 'B'));
    runUpdate(&run);
    QCOMPARE(run->updateCount(), 1);
    QCOMPARE(m_server->hits(u"/files/a"_s), 1);
    QCOMPARE(read(u"b"_s), QByteArray(4000, 'B'));
    QCOMPARE(read(u"update.dat"_s), remote + "\r\n");
    QCOMPARE(read(u"vers.dat"_s), QByteArray("\"2026.12b-\"\r\n"));
}

void TestUpdateRun::unsafeNamesAreNeverWritten()
{
    const QByteArray remote = "6\r\n" + entry(u"../escape"_s, u"1"_s, 5) +
                              entry(u"/tmp/nvmonster-absolute"_s, u"1"_s, 5) +
                              entry(u"update.dat"_s, u"1"_s, 5) +
                              entry(u"pics\\..\\..\\up"_s, u"1"_s, 5) + entry(u"ok"_s, u"1"_s, 5);
    m_server->setBody(u"/monster/update.dat"_s, remote);
    for (const QString &name : {u"../escape"_s, u"/tmp/nvmonster-absolute"_s, u"update.dat"_s,
                                u"pics\\..\\..\\up"_s, u"ok"_s})
        serveFile(name, "EVIL!");

    UpdateRun *run = nullptr;
    const QStringList shown = runUpdate(&run);
    QCOMPARE(run->failedCount(), 4);
    QVERIFY(shown.contains(u"status: Error downloading ../escape"_s));
    QCOMPARE(snapshot(m_dir->path()).keys(), (QStringList{u"data/ok"_s, u"data/update.dat"_s}));
    QVERIFY(!QFile::exists(u"/tmp/nvmonster-absolute"_s));
    QVERIFY(!QFile::exists(m_data + u"vers.dat"_s));
}

void TestUpdateRun::missingFileIsReportedAndTheRunGoesOn()
{
    m_server->setBody(u"/monster/update.dat"_s,
                      "3\r\n" + entry(u"gone"_s, u"1"_s, 5) + entry(u"here"_s, u"1"_s, 5));
    serveFile(u"here"_s, "here!");
    const QStringList shown = runUpdate();
    QVERIFY(shown.contains(u"not found: gone"_s));
    QVERIFY(shown.contains(u"status2: here updated."_s));
    QCOMPARE(read(u"here"_s), QByteArray("here!"));
    QVERIFY(!QFile::exists(m_data + u"gone"_s));
}

void TestUpdateRun::unreadableListChangesNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("list");
    const QByteArray line = "x,1,5,http://127.0.0.1:1/x\r\n";
    QTest::newRow("server error") << 500 << QByteArray("3\r\n") + line + line;
    QTest::newRow("web page") << 200 << QByteArray("3\r\n<HTML><body>busy</body></HTML>\r\n\r\n");
    QTest::newRow("count 0") << 200 << QByteArray("0\r\n") + line;
    QTest::newRow("too few lines") << 200 << QByteArray("3\r\n") + line;
    QTest::newRow("entry of three fields") << 200 << QByteArray("2\r\nx,1,5\r\n");
    QTest::newRow("empty") << 200 << QByteArray();
}

void TestUpdateRun::unreadableListChangesNothing()
{
    QFETCH(int, status);
    QFETCH(QByteArray, list);
    TestServer::Reply reply;
    reply.status = status;
    reply.body = list;
    m_server->setReply(u"/monster/update.dat"_s, reply);
    testsupport::writeFile(m_data + u"vers.dat"_s, "\"old\"\r\n");
    const Files before = snapshot(m_data);

    const QStringList shown = runUpdate();
    QVERIFY(shown.contains(u"panel1: No files updated: the update list could not be read."_s));
    QCOMPARE(shown.last(), u"continue"_s);
    QCOMPARE(snapshot(m_data), before);
}

void TestUpdateRun::webPageVersionReplyKeepsVersionFile()
{
    m_server->setBody(u"/monster/update.dat"_s, "1\r\n");
    m_server->setBody(u"/monster/vers.dat"_s, "<html><h1>Not here</h1></html>");
    testsupport::writeFile(m_data + u"vers.dat"_s, "\"old\"\r\n");
    runUpdate();
    QCOMPARE(read(u"vers.dat"_s), QByteArray("\"old\"\r\n"));
}

QTEST_MAIN(TestUpdateRun)
#include "tst_updaterun.moc"
