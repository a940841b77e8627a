// The real program, as a user runs it: a copy of the executable in a program folder of
// its own, its data folder and an nvmonster.ini that points at a loopback server. Runs on
// an X server of its own (Xvfb) and drives the windows with the keyboard through xdotool.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void databaseUpdateFromStartToMainWindow();

private:
    QProcess m_xserver;
};

void TestProgram::initTestCase()
{
    realprogram::startXServer(m_xserver);
}

void TestProgram::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

void TestProgram::databaseUpdateFromStartToMainWindow()
{
    using namespace realprogram;
    QTemporaryDir dir;
    const QString program = installProgram(dir.path());
    QVERIFY(!program.isEmpty());
    const QString data = dir.filePath(u"data/"_s);
    testsupport::writeFile(data + u"cml.nmd"_s,
                           testsupport::dataFile({testsupport::record(u"Old"_s)}));
    testsupport::writeFile(data + u"vers.dat"_s, "\"2026.1206\"\r\n");
    testsupport::writeFile(data + u"update.dat"_s,
                           "2\r\ncml.nmd,1,30,http://old.invalid/c\r\n\r\n");

    TestServer server;
    const QByteArray newData =
        testsupport::dataFile({testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s)});
    const QByteArray list = "3\r\ncml.nmd,2," + QByteArray::number(newData.size()) + "," +
                            server.urlText(u"/files/cml.nmd"_s).toLatin1() +
                            "\r\npics\\new.gif,1,6," +
                            server.urlText(u"/files/new.gif"_s).toLatin1() + "\r\n";
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    server.setBody(u"/monster/vers.dat"_s, "2026.1207\r\n");
    server.setBody(u"/monster/update.dat"_s, list);
    server.setBody(u"/files/cml.nmd"_s, newData);
    server.setBody(u"/files/new.gif"_s, "GIF89a");
    writeIni(dir.path(), {u"ProgramVersionUrl="_s + server.urlText(u"/monster.txt"_s),
                          u"DatabaseVersionUrl="_s + server.urlText(u"/monster/vers.dat"_s),
                          u"UpdateListUrl="_s + server.urlText(u"/monster/update.dat"_s)});

    QProcess process;
    start(process, program, dir.filePath(u"config"_s));
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });

    // The question comes before any window: answer it with Enter (Yes is the default).
    QByteArray question;
    QTRY_VERIFY_WITH_TIMEOUT(!(question = findWindow(u"Database Update"_s)).isEmpty(), 20000);
    QVERIFY(keys(question, {u"Return"_s}));

    // The downloader stores the files, then the version; Enter presses "Continue".
    QByteArray downloader;
    QTRY_VERIFY_WITH_TIMEOUT(!(downloader = findWindow(u"Updating Monster Database"_s)).isEmpty(),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(testsupport::readFile(data + u"vers.dat"_s),
                              QByteArray("\"2026.1207\"\r\n"), 10000);
    QCOMPARE(testsupport::readFile(data + u"cml.nmd"_s), newData);
    QCOMPARE(testsupport::readFile(data + u"pics/new.gif"_s), QByteArray("GIF89a"));
    QCOMPARE(testsupport::readFile(data + u"update.dat"_s), list + "\r\n");
    QVERIFY(keys(downloader, {u"Return"_s}));

    QTRY_VERIFY_WITH_TIMEOUT(
        !findWindow(u"Norvalen English Beta Monster Database Beta"_s).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(findWindow(u"Updating Monster Database"_s).isEmpty(), 10000);
    QCOMPARE(process.state(), QProcess::Running);
    // No temporary file left behind.
    QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden).size(), 3);
    QCOMPARE(QDir(data + u"pics"_s).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
