// The hand-overs between the windows: the splash with its start-up checks, the manual
// check from the menu, and the downloader, against a real HTTP server on loopback.
#include "appinfo.h"
#include "monsterwindow.h"
#include "splashwindow.h"
#include "testserver.h"
#include "updatewindow.h"
#include "windowtest.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using platform::Answer;
using platform::messagetesting::takeShown;

class TestStartup : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init();
    void cleanup() { closeAllWindows(); }

    void bothCurrentShowsSplashThenMainWindow();
    void clickOrKeyEndsTheSplash();
    void newProgramVersionOpensTheDownloadPage();
    void switchedOffChecksFetchNothing();
    void databaseUpdateRunsTheDownloaderThenContinues();
    void continueDuringTheVersionStepWaitsForIt();
    void secondDownloaderRunStartsFromZero();
    void manualCheckSaysNoUpdatesAndAllowsOneAtATime();
    void manualCheckHandsOverToTheDownloader();
    void exitDuringManualCheckEndsIt();

private:
    // Serves a database update: a new cml.nmd of three monsters and a new version.
    void serveNewDatabase();
    // Runs the downloader to the end of its files.
    void runDownloader();

    std::unique_ptr<TestServer> m_server;
};

void TestStartup::init()
{
    freshContext();
    m_server = std::make_unique<TestServer>();
    m_context.endpoints.programVersionUrl = m_server->urlText(u"/monster.txt"_s);
    m_context.endpoints.databaseVersionUrl = m_server->urlText(u"/monster/vers.dat"_s);
    m_context.endpoints.updateListUrl = m_server->urlText(u"/monster/update.dat"_s);
    m_context.checkTimeout = std::chrono::milliseconds(3000);
    m_context.downloadTimeout = std::chrono::milliseconds(3000);
    testsupport::writeFile(m_context.dataFolder.path() + u"vers.dat"_s, "\"2026.1206\"\r\n");
    m_server->setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1206\r\n");
}

void TestStartup::serveNewDatabase()
{
    const QByteArray data =
        testsupport::dataFile({testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s),
                               testsupport::record(u"Cat"_s)});
    m_server->setBody(u"/data/cml.nmd"_s, data);
    m_server->setBody(u"/monster/update.dat"_s,
                      "2\r\ncml.nmd,2," + QByteArray::number(data.size()) + "," +
                          m_server->urlText(u"/data/cml.nmd"_s).toLatin1() + "\r\n");
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1207\r\n");
}

void TestStartup::runDownloader()
{
    UpdateWindow *window = UpdateWindow::instance();
    child<QTimer>(window, "Timer1")->setInterval(0);
    QTRY_VERIFY(child(window, "finished")->isVisible());
}

void TestStartup::bothCurrentShowsSplashThenMainWindow()
{
    SplashWindow *splash = SplashWindow::start(m_context);
    QVERIFY(splash && splash->isVisible());
    QCOMPARE(m_store->get(u"settings"_s, u"progupdates"_s), u"1"_s);
    QCOMPARE(m_store->get(u"settings"_s, u"dbupdates"_s), u"1"_s);
    QCOMPARE(m_server->hits(u"/monster.txt"_s), 1);
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 1);
    QVERIFY(!MonsterWindow::instance());

    auto *timer = child<QTimer>(splash, "Timer1");
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3000);
    timer->setInterval(1);
    QTRY_VERIFY(MonsterWindow::instance() && MonsterWindow::instance()->isVisible());
    QTRY_VERIFY(!SplashWindow::instance());
    QVERIFY(MonsterWindow::instance()->isEnabled());
}

void TestStartup::clickOrKeyEndsTheSplash()
{
    SplashWindow *splash = SplashWindow::start(m_context);
    QTest::mouseClick(child(splash, "Image2"), Qt::LeftButton);
    QVERIFY(MonsterWindow::instance());
    QTRY_VERIFY(!SplashWindow::instance());
    closeAllWindows();

    splash = SplashWindow::start(m_context);
    QTest::keyClick(splash, Qt::Key_Shift); // produces no character
    QVERIFY(!MonsterWindow::instance());
    QTest::keyClick(splash, Qt::Key_Escape);
    QVERIFY(MonsterWindow::instance());
}

void TestStartup::newProgramVersionOpensTheDownloadPage()
{
    m_server->setBody(u"/monster.txt"_s, "1.8.5000");
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1207\r\n"); // differs, but is not compared
    platform::messagetesting::queueAnswer(Answer::Yes);
    QVERIFY(SplashWindow::start(m_context));
    const QList<platform::messagetesting::Shown> shown = takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"New Version Availible"_s);
    QVERIFY(shown[0].prompt.contains(u"New Version: 1.8.5000\r\n"_s));
    // The browser gets the page as an argument of its own.
    const platform::launchtesting::Launch browser{m_context.endpoints.browserPath,
                                                  {m_context.endpoints.downloadPageUrl}};
    QCOMPARE(platform::launchtesting::takeLaunched(), QList{browser});
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 1);
}

void TestStartup::switchedOffChecksFetchNothing()
{
    m_store->save(u"settings"_s, u"progupdates"_s, u"0"_s);
    m_store->save(u"settings"_s, u"dbupdates"_s, u"0"_s);
    SplashWindow *splash = SplashWindow::start(m_context);
    QCOMPARE(m_server->hits(u"/monster.txt"_s), 0);
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 0);
    // The splash still ends by itself.
    QVERIFY(child<QTimer>(splash, "Timer1")->isActive());
}

void TestStartup::databaseUpdateRunsTheDownloaderThenContinues()
{
    serveNewDatabase();
    platform::messagetesting::queueAnswer(Answer::Yes);
    QCOMPARE(SplashWindow::start(m_context), nullptr);
    QCOMPARE(takeShown().value(0).title, u"Database Update"_s);
    QVERIFY(!SplashWindow::instance());
    UpdateWindow *window = UpdateWindow::instance();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), u"Updating Monster Database"_s);
    QVERIFY(!child(window, "finished")->isVisible());

    runDownloader();
    QCOMPARE(child<QLabel>(window, "panel1")->text(), u"Finished Updating Database"_s);
    QCOMPARE(child<QLabel>(window, "panel2")->text(), u"100%"_s);
    QCOMPARE(child<QLabel>(window, "lblFileStatus2")->text(), u"cml.nmd updated."_s);
    QTRY_COMPARE(testsupport::readFile(m_context.dataFolder.path() + u"vers.dat"_s),
                 QByteArray("\"2026.1207\"\r\n"));

    QTest::mouseClick(child(window, "finished"), Qt::LeftButton);
    QVERIFY(MonsterWindow::instance());
    QCOMPARE(child<QListWidget>(MonsterWindow::instance(), "monstername")->count(), 3);
    QTRY_VERIFY(!UpdateWindow::instance());
}

void TestStartup::continueDuringTheVersionStepWaitsForIt()
{
    serveNewDatabase();
    TestServer::Reply slowVersion;
    slowVersion.body = "2026.1207\r\n";
    slowVersion.delayMs = 300;
    m_server->setReply(u"/monster/vers.dat"_s, slowVersion);
    UpdateWindow *window = UpdateWindow::showWindow(m_context);
    auto *finished = child<QPushButton>(window, "finished");

    // The run waits for the version reply inside its tick; act from there.
    bool acted = false, closeRefused = false, mainTooEarly = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, window, [&] {
        if (acted || !finished->isVisible())
            return;
        acted = true;
        window->close();
        closeRefused = UpdateWindow::instance() && window->isVisible();
        QTest::mouseClick(finished, Qt::LeftButton);
        mainTooEarly = MonsterWindow::instance() != nullptr;
    });
    probe.start(5);
    child<QTimer>(window, "Timer1")->setInterval(0);
    QTRY_VERIFY(MonsterWindow::instance());
    QVERIFY(acted);
    QVERIFY(closeRefused);
    QVERIFY(!mainTooEarly);
    QCOMPARE(testsupport::readFile(m_context.dataFolder.path() + u"vers.dat"_s),
             QByteArray("\"2026.1207\"\r\n"));
}

void TestStartup::secondDownloaderRunStartsFromZero()
{
    serveNewDatabase();
    UpdateWindow *window = UpdateWindow::showWindow(m_context);
    runDownloader();
    QTest::mouseClick(child(window, "finished"), Qt::LeftButton);
    closeAllWindows();

    // One more file changes; the second run counts only its own.
    const QByteArray list = testsupport::readFile(m_context.dataFolder.path() + u"update.dat"_s);
    m_server->setBody(u"/data/extra.gif"_s, "GIF89a");
    m_server->setBody(u"/monster/update.dat"_s,
                      "3\r\n" + list.sliced(3).trimmed() + "\r\nextra.gif,1,6," +
                          m_server->urlText(u"/data/extra.gif"_s).toLatin1() + "\r\n");
    window = UpdateWindow::showWindow(m_context);
    runDownloader();
    QCOMPARE(child<QLabel>(window, "lblFileStatus2")->text(), u"extra.gif updated."_s);
    QCOMPARE(child<QLabel>(window, "panel1")->text(), u"Finished Updating Database"_s);
    QCOMPARE(m_server->hits(u"/data/cml.nmd"_s), 1);
}

void TestStartup::manualCheckSaysNoUpdatesAndAllowsOneAtATime()
{
    MonsterWindow *window = MonsterWindow::showWindow(m_context);
    auto *update = child<QAction>(window, "mnuUpdate");
    TestServer::Reply slow;
    slow.body = appinfo::runningVersion().toLatin1();
    slow.delayMs = 200;
    m_server->setReply(u"/monster.txt"_s, slow);

    bool enabledDuringCheck = true;
    QTimer::singleShot(50, window, [&] { enabledDuringCheck = update->isEnabled(); });
    update->trigger();
    QVERIFY(!enabledDuringCheck);
    QVERIFY(update->isEnabled());
    const QList<platform::messagetesting::Shown> shown = takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"No Updates"_s);
    QCOMPARE(shown[0].buttons, platform::Buttons::OkCancel);
}

void TestStartup::manualCheckHandsOverToTheDownloader()
{
    // The start-up switches do not matter to the manual check.
    m_store->save(u"settings"_s, u"progupdates"_s, u"0"_s);
    m_store->save(u"settings"_s, u"dbupdates"_s, u"0"_s);
    serveNewDatabase();
    MonsterWindow *window = MonsterWindow::showWindow(m_context);
    platform::messagetesting::queueAnswer(Answer::Yes);
    child<QAction>(window, "mnuUpdate")->trigger();
    QCOMPARE(takeShown().value(0).title, u"Database Update"_s);
    QVERIFY(UpdateWindow::instance());
    QTRY_VERIFY(!MonsterWindow::instance());
}

void TestStartup::exitDuringManualCheckEndsIt()
{
    TestServer::Reply hanging;
    hanging.delayMs = 10000;
    m_server->setReply(u"/monster.txt"_s, hanging);
    MonsterWindow *window = MonsterWindow::showWindow(m_context);
    QTimer::singleShot(50, window, [window] { window->close(); });
    QElapsedTimer elapsed;
    elapsed.start();
    child<QAction>(window, "mnuUpdate")->trigger();
    QVERIFY(elapsed.elapsed() < 3000);
    QTRY_VERIFY(!MonsterWindow::instance());
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 0);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
