// The real program, as a user runs it: a copy of the executable in a program folder of
// its own, its data folder and an nvmonster.ini that points at a loopback server. Runs on
// an X server of its own (Xvfb) and drives the windows with the keyboard through xdotool.
#include "../testsupport.h"
#include "app/appinfo.h"
#include "testserver.h"

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
    // The id of the visible window whose title is exactly `title`, or empty.
    static QByteArray findWindow(const QString &title);
    static bool xdotool(const QStringList &arguments);

    QProcess m_xserver;
};

QByteArray TestProgram::findWindow(const QString &title)
{
    QProcess search;
    search.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s,
                                u'^' + QRegularExpression::escape(title) + u'$'});
    search.waitForFinished(5000);
    return search.readAllStandardOutput().split('\n').value(0).trimmed();
}

bool TestProgram::xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

void TestProgram::initTestCase()
{
    // Xvfb picks a free display itself and tells its number once it accepts clients.
    m_xserver.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s,
                                u"-nolisten"_s, u"tcp"_s});
    QVERIFY2(m_xserver.waitForStarted(), "Xvfb is not installed");
    QTRY_VERIFY_WITH_TIMEOUT(m_xserver.canReadLine(), 20000);
    const QByteArray display = m_xserver.readLine().trimmed();
    QVERIFY(!display.isEmpty());
    qputenv("DISPLAY", ":" + display);
}

void TestProgram::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

void TestProgram::databaseUpdateFromStartToMainWindow()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(u"nvmonster"_s);
    QVERIFY(QFile::copy(QStringLiteral(NV_PROGRAM_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(QStringLiteral(NV_PROGRAM_PATH))));
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
    testsupport::writeFile(dir.filePath(u"nvmonster.ini"_s),
                           "[endpoints]\n"
                           "ProgramVersionUrl=" +
                               server.urlText(u"/monster.txt"_s).toUtf8() +
                               "\n"
                               "DatabaseVersionUrl=" +
                               server.urlText(u"/monster/vers.dat"_s).toUtf8() +
                               "\n"
                               "UpdateListUrl=" +
                               server.urlText(u"/monster/update.dat"_s).toUtf8() + "\n");

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    environment.remove(u"QT_QPA_PLATFORM"_s);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });

    // The question comes before any window: answer it with Enter (Yes is the default).
    QByteArray question;
    QTRY_VERIFY_WITH_TIMEOUT(!(question = findWindow(u"Database Update"_s)).isEmpty(), 20000);
    QVERIFY(xdotool({u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(question)}));
    QVERIFY(xdotool({u"key"_s, u"Return"_s}));

    // The downloader stores the files, then the version; Enter presses "Continue".
    QByteArray downloader;
    QTRY_VERIFY_WITH_TIMEOUT(!(downloader = findWindow(u"Updating Monster Database"_s)).isEmpty(),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(testsupport::readFile(data + u"vers.dat"_s),
                              QByteArray("\"2026.1207\"\r\n"), 10000);
    QCOMPARE(testsupport::readFile(data + u"cml.nmd"_s), newData);
    QCOMPARE(testsupport::readFile(data + u"pics/new.gif"_s), QByteArray("GIF89a"));
    QCOMPARE(testsupport::readFile(data + u"update.dat"_s), list + "\r\n");
    QVERIFY(xdotool({u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(downloader)}));
    QVERIFY(xdotool({u"key"_s, u"Return"_s}));

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
