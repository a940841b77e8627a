#include "testserver.h"
#include "testsupport.h"
#include "updaterun.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
    // Runs an update and returns what the window would have shown, one line per text; the
    // panels' texts start with their number.
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
        connect(&run, &UpdateRun::panelText, this, [&](int panel, const QString &text) {
            shown.append(u"%1: %2"_s.arg(panel).arg(text));
        });
        connect(&run, &UpdateRun::fileStatus, this, show(u"status: "_s));
        connect(&run, &UpdateRun::fileStatus2, this, show(u"status2: "_s));
        connect(&run, &UpdateRun::filesFinished, this, [&] { shown.append(u"continue"_s); });
        run.setNotFoundHandler([&shown](const QString &name, std::function<void()> acknowledged) {
            shown.append(u"not found: "_s + name);
            QTimer::singleShot(0, acknowledged);
        });
        QSignalSpy finished(&run, &UpdateRun::finished);
        run.start();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000); }();
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

        QCOMPARE(
            runUpdate().join(u'|'),
            u"1: Getting Versions...|1: Comparing versions...|1: 2 files to update ...|2: 0%|"
            u"1: Downloading file 1 of 2...|status: Downloading a.gif (3000 bytes)...|status: |"
            u"status2: a.gif updated.|2: 37%|1: Downloading file 2 of 2...|"
            u"status: Downloading pics\\b.bmp (5000 bytes)...|status: |"
            u"status2: pics\\b.bmp updated.|2: 98%|1: Done updating!|2: 100%|"
            u"1: Finished Updating Database|continue"_s);
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

        QVERIFY(runUpdate().contains(u"1: Done updating, one file failed!"_s));
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
        QCOMPARE(testsupport::readFile(m_data + u"vers.dat"_s), QByteArray("\"2026.12b-\"\r\n"));

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
        const QStringList names = u"gone ok ../escape /tmp/nvmonster-absolute C:x pics\\..\\..\\up "
                                  "update.dat vers.dat a\"b out/evil.gif"_s.split(u' ');
        QByteArray remote = QByteArray::number(names.size() + 1) + "\r\n";
        for (const QString &name : names) {
            remote += entry(name, u"1"_s, name.toUtf8().size());
            if (name != u"gone")
                m_server->setBody(u"/files/"_s + name, name.toUtf8());
        }
        m_server->setBody(u"/monster/update.dat"_s, remote);

        const QStringList shown = runUpdate();
        for (
            const QString &line :
            {u"1: Done updating, 9 files failed!"_s, u"not found: gone"_s,
             u"status: Error downloading gone: the server answered 404 Not Found"_s,
             u"status: Error downloading ../escape: the list names it in a way that is not "
             u"allowed"_s,
             u"status: Error downloading out/evil.gif: a link in the data folder leads outside it"_s})
            QVERIFY2(shown.contains(line), qPrintable(line));
        QCOMPARE(QDir(outside.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
        QCOMPARE(snapshot(m_dir->path()),
                 (Files{{u"data/ok"_s, "ok"},
                        {u"data/update.dat"_s, "2\r\n" + entry(u"ok"_s, u"1"_s, 2) + "\r\n"}}));
        QVERIFY(!QFile::exists(u"/tmp/nvmonster-absolute"_s));
    }

    void unusableRepliesChangeNothing_data()
    {
        QTest::addColumn<TestServer::Reply>("list");
        QTest::addColumn<TestServer::Reply>("version");
        QTest::addColumn<QString>("panel"); // what the window says

        const QByteArray line = "x,1,5,http://127.0.0.1:1/x\r\n";
        const TestServer::Reply version{.body = "2026.12b\r\n"}, empty{.body = "1\r\n"};
        const QString failure = u"1: No files updated: the update list could not be read."_s;
        const QString none = u"1: No files to update!"_s;
        QTest::newRow("list: server error") << Reply{500, "2\r\n" + line} << version << failure;
        QTest::newRow("list: web page") << Reply{200, "2\r\n<HTML>" + line} << version << failure;
        QTest::newRow("list: too few lines") << Reply{200, "3\r\n" + line} << version << failure;
        QTest::newRow("version: web page") << empty << Reply{200, "<html>2026.12z"} << none;
        QTest::newRow("version: server error") << empty << Reply{500, "2026.12z"} << none;
        QTest::newRow("version: empty") << empty << Reply() << none;
    }

    void unusableRepliesChangeNothing()
    {
        QFETCH(TestServer::Reply, list);
        QFETCH(TestServer::Reply, version);
        QFETCH(QString, panel);
        m_server->setReply(u"/monster/update.dat"_s, list);
        m_server->setReply(u"/monster/vers.dat"_s, version);
        testsupport::writeFile(m_data + u"vers.dat"_s, "\"old\"\r\n");

        const QStringList shown = runUpdate();
        QVERIFY(shown.contains(panel));
        QCOMPARE(shown.last(), u"continue"_s);
        QCOMPARE(snapshot(m_data), (Files{{u"vers.dat"_s, "\"old\"\r\n"}}));
    }
};

QTEST_MAIN(TestUpdateRun)
#include "tst_updaterun.moc"
