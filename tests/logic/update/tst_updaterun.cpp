#include "testserver.h"
#include "testsupport.h"
#include "updaterun.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

using Reply = TestServer::Reply;

using testsupport::Files;
using testsupport::snapshot;

class TestUpdateRun : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_data = m_dir->filePath(u"data/"_s);
        QDir().mkpath(m_data);
        m_server = std::make_unique<TestServer>();
        m_server->setBody(u"/monster/vers.dat"_s, "2026.12b-x\r\n");
    }

private:
    // Runs an update and returns what it reported, one line an event.
    QStringList runUpdate()
    {
        UpdateRun run({DataFolder(m_data),
                       m_server->urlText(u"/monster/update.dat"_s),
                       m_server->urlText(u"/monster/vers.dat"_s),
                       {}});
        QStringList shown;
        const auto show = [&shown](const QString &what) {
            return [&shown, what](const QString &text) { shown.append(what + text); };
        };
        connect(&run, &UpdateRun::step, this, show(u"1: "_s));
        connect(&run, &UpdateRun::percentChanged, this,
                [&](int percent) { shown.append(u"%1%"_s.arg(percent)); });
        connect(&run, &UpdateRun::fileStarted, this, [&](const QString &name, qint64 size) {
            shown.append(u"start %1 %2"_s.arg(name).arg(size));
            // A release published meanwhile: the run must not claim it.
            m_server->setBody(u"/monster/vers.dat"_s, "2099.0101\r\n");
        });
        connect(&run, &UpdateRun::fileStored, this, show(u"stored "_s));
        connect(&run, &UpdateRun::fileFailed, this, [&](const QString &name, const QString &why) {
            shown.append(u"failed "_s + name + u": "_s + why);
        });
        connect(&run, &UpdateRun::finished, this, show(u"end: "_s));
        run.setNotFoundHandler([&](const QString &name, std::function<void()> acknowledged) {
            // What update.dat on disk says while the user reads the notice.
            shown.append(u"not found: "_s + name + u" with "_s +
                         QString::fromLatin1(testsupport::readFile(m_data + u"update.dat"_s)));
            QTimer::singleShot(0, acknowledged);
        });
        run.start();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(shown.last().startsWith(u"end: "_s), 10000); }();
        return shown;
    }

    QByteArray entry(const QString &name, const QString &version, qint64 size) const
    {
        const QString url = m_server->urlText(u"/files/"_s + name);
        return u"%1,%2,%3,%4\r\n"_s.arg(name, version, QString::number(size), url).toLatin1();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestServer> m_server;
    QString m_data;

private slots:
    void downloadsChangedFilesWithProgress()
    {
        const QByteArray list =
            "3\r\n" + entry(u"a.gif"_s, u"1"_s, 3000) + entry(u"pics\\b.bmp"_s, u"1"_s, 5000);
        m_server->setBody(u"/monster/update.dat"_s, list);
        m_server->setBody(u"/files/a.gif"_s, QByteArray(3000, 'a'));
        m_server->setBody(u"/files/pics\\b.bmp"_s, QByteArray(5000, 'b'));
        testsupport::writeFile(m_data + u"pics/b.bmp"_s, QByteArray(9000, 'o')); // longer, older

        QCOMPARE(runUpdate().join(u'|'),
                 u"1: Getting Versions...|1: Comparing versions...|1: 2 files to update ...|0%|"
                 u"1: Downloading file 1 of 2...|start a.gif 3000|stored a.gif|37%|"
                 u"1: Downloading file 2 of 2...|start pics\\b.bmp 5000|stored pics\\b.bmp|98%|"
                 u"1: Done updating!|100%|1: Finished Updating Database|end: "_s);
        QCOMPARE(snapshot(m_data), (Files{{u"a.gif"_s, QByteArray(3000, 'a')},
                                          {u"pics/b.bmp"_s, QByteArray(5000, 'b')},
                                          {u"update.dat"_s, list + "\r\n"},
                                          {u"vers.dat"_s, "\"2026.12b-\"\r\n"}}));
    }

    void interruptedFileLeavesHonestFilesAndNextRunFinishes()
    {
        testsupport::writeFile(m_data + u"update.dat"_s, "3\r\n" + entry(u"a"_s, u"1"_s, 4) +
                                                             entry(u"b"_s, u"1"_s, 4) + "\r\n");
        testsupport::writeFile(m_data + u"b"_s, "old2");
        testsupport::writeFile(m_data + u"vers.dat"_s, "\"2026.12a\"\r\n");
        const QByteArray remote = "4\r\n" + entry(u"a"_s, u"2"_s, 4000) +
                                  entry(u"b"_s, u"2"_s, 4000) + entry(u"c"_s, u"2"_s, 4000);
        m_server->setBody(u"/monster/update.dat"_s, remote);
        m_server->setBody(u"/files/a"_s, QByteArray(4000, 'A'));
        m_server->setReply(u"/files/b"_s, {.body = QByteArray(4000, 'B'), .cutOff = true});
        m_server->setBody(u"/files/c"_s, QByteArray(4000, 'C'));

        const QStringList first = runUpdate();
        QVERIFY(first.contains(u"1: Done updating, one file failed!"_s));
        QCOMPARE(first.last(), u"end: b: the connection closed before the end"_s);
        // b is untouched, with no half file; update.dat claims what is on disk.
        QCOMPARE(snapshot(m_data),
                 (Files{{u"a"_s, QByteArray(4000, 'A')},
                        {u"b"_s, "old2"},
                        {u"c"_s, QByteArray(4000, 'C')},
                        {u"update.dat"_s, "4\r\n" + entry(u"a"_s, u"2"_s, 4000) +
                                              entry(u"b"_s, u"1"_s, 4) +
                                              entry(u"c"_s, u"2"_s, 4000) + "\r\n"},
                        {u"vers.dat"_s, "\"2026.12a\"\r\n"}}));

        // The next run fetches only what is missing and then renews everything.
        m_server->setBody(u"/files/b"_s, QByteArray(4000, 'B'));
        QVERIFY(runUpdate().contains(u"1: One file to update ..."_s));
        QCOMPARE(testsupport::readFile(m_data + u"update.dat"_s), remote + "\r\n");
        QCOMPARE(testsupport::readFile(m_data + u"vers.dat"_s), QByteArray("\"2099.0101\"\r\n"));

        // With nothing left to fetch, only the version file is renewed.
        m_server->setBody(u"/monster/vers.dat"_s, "2026.12c");
        QVERIFY(runUpdate().contains(u"1: No files to update!"_s));
        QCOMPARE(testsupport::readFile(m_data + u"vers.dat"_s), QByteArray("\"2026.12c\"\r\n"));
        QCOMPARE(m_server->hits(u"/files/a"_s) + m_server->hits(u"/files/c"_s), 2);
    }

    void unsafeNamesAndMissingFilesAreNeverWritten()
    {
        // "gone" is not on the server; the run reports it and goes on. Links in the data folder
        // lead out of it: nothing is written through them.
        QTemporaryDir outside;
        QVERIFY(QFile::link(outside.path(), m_data + u"out"_s));
        const QStringList names = u"ok gone ../escape /tmp/nvmonster-absolute C:x pics\\..\\..\\up "
                                  "update.dat vers.dat a\"b out/evil.gif"_s.split(u' ');
        QByteArray remote = QByteArray::number(names.size() + 1) + "\r\n";
        for (const QString &name : names) {
            remote += entry(name, u"1"_s, name.toUtf8().size());
            if (name != u"gone")
                m_server->setBody(u"/files/"_s + name, name.toUtf8());
        }
        m_server->setBody(u"/monster/update.dat"_s, remote);

        const QStringList shown = runUpdate();
        const QByteArray stored = "2\r\n" + entry(u"ok"_s, u"1"_s, 2) + "\r\n";
        for (const QString &line :
             {u"1: Done updating, 9 files failed!"_s,
              u"not found: gone with "_s + QString::fromLatin1(stored), // on disk before asking
              u"end: gone: the server answered 404 Not Found; ../escape, /tmp/nvmonster-absolute, "
              u"C:x, pics\\..\\..\\up, update.dat, vers.dat, a\"b: the list names it in a way "
              u"that is not allowed; out/evil.gif: a link in the data folder leads outside it"_s})
            QVERIFY2(shown.contains(line), qPrintable(line));
        QCOMPARE(QDir(outside.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
        QCOMPARE(snapshot(m_dir->path()),
                 (Files{{u"data/ok"_s, "ok"}, {u"data/update.dat"_s, stored}}));
        QVERIFY(!QFile::exists(u"/tmp/nvmonster-absolute"_s));
    }

    // Lists that cannot be read, versions that are none, and entries that lie about their
    // size (-2000000000 once meant any length and no deadline) or address: no file changes,
    // the reason stays on the last screen, and the run ends in its own time. In an entry, %1
    // is the server, %2 a file and %3 a named pipe outside the data folder.
    void unusableRepliesChangeNothing_data()
    {
        QTest::addColumn<TestServer::Reply>("list");
        QTest::addColumn<TestServer::Reply>("version");
        QTest::addColumn<QString>("step");     // what the window says
        QTest::addColumn<QString>("failures"); // what the last screen keeps
        const auto row = [](const char *name, const Reply &list, const Reply &version,
                            const QString &step, const QString &failures) {
            QTest::newRow(name) << list << version << step << failures;
        };
        const QByteArray line = "x,1,5,http://127.0.0.1:1/x\r\n";
        const TestServer::Reply version{.body = "2026.12b\r\n"}, empty{.body = "1\r\n"};
        const QString failure = u"1: No files updated: the update list could not be read."_s;
        const QString none = u"1: No files to update!"_s, cut = u"1: Database Update Incomplete"_s;
        row("list: server error", {500, "2\r\n" + line}, version, failure,
            u"update.dat: the server answered 500 Internal Server Error"_s);
        row("list: web page", {200, "2\r\n<HTML>" + line}, version, failure,
            u"update.dat: the server sent a web page instead of the update list"_s);
        row("list: too few lines", {200, "3\r\n" + line}, version, failure,
            u"update.dat: the list ends before its last line"_s);
        row("version: web page", empty, {200, "<html>2026.12z"}, none,
            u"vers.dat: the server sent a web page instead of a version"_s);
        row("version: empty", empty, {}, none, u"vers.dat: the server sent no version"_s);
        row("sizes that are none",
            {.body = "5\r\na,1,-1,%1/trickle\r\nb,1,-2000000000,%1/trickle\r\n"
                     "c,1,2147483648,%1/trickle\r\nd,1,many,%1/trickle\r\n"},
            version, cut, u"a, b, c, d: the list gives no size from 0 to 2147483647 bytes for it"_s);
        row("addresses not of the web",
            {.body = "5\r\na,1,6,file://%2\r\nb,1,6,file://%3\r\nc,1,6,data:,secret\r\n"
                     "d,1,6,ftp://127.0.0.1/secret\r\n"},
            version, cut, u"a, b, c, d: only http and https addresses are fetched"_s);
        row("a quote or a control character", {.body = "3\r\na,1\",6,%1/trickle\r\nb,1,6,%1/\x01\r\n"},
            version, cut, u"a, b: the list names it in a way that is not allowed"_s);
        row("redirects off the web", {.body = "3\r\na,1,6,%1/to-file\r\nb,1,6,%1/to-data\r\n"},
            version, cut, u"a, b: the server sent it on to an address that is not fetched"_s);
    }

    void unusableRepliesChangeNothing()
    {
        QFETCH(TestServer::Reply, list);
        QFETCH(TestServer::Reply, version);
        QFETCH(QString, step);
        QFETCH(QString, failures);
        QTemporaryDir outside;
        const QByteArray secret = outside.filePath(u"secret"_s).toUtf8();
        const QByteArray pipe = outside.filePath(u"pipe"_s).toUtf8();
        testsupport::writeFile(QString::fromUtf8(secret), "secret");
        QVERIFY(mkfifo(pipe.constData(), 0600) == 0);
        m_server->setReply(u"/trickle"_s,
                           {.chunkDelayMs = 4000, .chunkSize = 1, .generatedSize = 6});
        m_server->setReply(u"/to-file"_s, {.status = 302, .header = "Location: file://" + secret});
        m_server->setReply(u"/to-data"_s, {.status = 302, .header = "Location: data:,secret"});
        list.body.replace("%1", m_server->urlText({}).toLatin1())
            .replace("%2", secret)
            .replace("%3", pipe);
        m_server->setReply(u"/monster/update.dat"_s, list);
        m_server->setReply(u"/monster/vers.dat"_s, version);
        testsupport::writeFile(m_data + u"vers.dat"_s, "\"old\"\r\n");

        const QStringList shown = runUpdate();
        QVERIFY2(shown.contains(step), qPrintable(shown.join(u'|')));
        QCOMPARE(shown.last(), u"end: "_s + failures);
        QCOMPARE(snapshot(m_data), (Files{{u"vers.dat"_s, "\"old\"\r\n"}}));
        QCOMPARE(m_server->hits(u"/trickle"_s), 0);
    }
};

QTEST_MAIN(TestUpdateRun)
#include "tst_updaterun.moc"
