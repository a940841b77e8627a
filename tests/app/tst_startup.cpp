// The program's hand-overs between its windows: the splash with its start-up checks, the
// manual check, the downloader and the dialogs, against a real HTTP server on loopback.
#include "aboutwindow.h"
#include "appinfo.h"
#include "csv.h"
#include "downloaderwindow.h"
#include "feedbackwindow.h"
#include "mainwindow.h"
#include "optionswindow.h"
#include "program.h"
#include "searchwindow.h"
#include "splashwindow.h"
#include "testserver.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using platform::Answer;

class TestStartup : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init();
    void cleanup();

    void silentServerNeverHoldsTheSplash_data();
    void silentServerNeverHoldsTheSplash();
    void newProgramVersionOpensTheDownloadPage();
    void databaseUpdateRunsTheDownloaderThenContinues();
    void readOnlyDataIsShownAndNeverUpdated();
    void manualCheckSaysNoUpdatesAndCanBeCancelled();
    void switchedOffChecksFetchNothingButTheManualOneRuns();
    void dialogsOpenOnceAndHoldTheMainWindow();
    void searchFollowsOptionsAndShowsTheChosenEntry();

private:
    // Serves a database update: a new cml.nmd of three monsters, sent after `delayMs`, and a
    // new version.
    void serveNewDatabase(int delayMs = 0);
    // Runs the downloader to the end of its files.
    void runDownloader();

    std::unique_ptr<TestServer> m_server;
    Program::Setup m_setup;
    std::unique_ptr<Program> m_program;
};

void TestStartup::init()
{
    freshFolder();
    m_server = std::make_unique<TestServer>();
    m_setup = {m_store.get(), m_folder, Endpoints::defaults(), {}, {}};
    m_setup.endpoints.programVersionUrl = m_server->urlText(u"/monster.txt"_s);
    m_setup.endpoints.databaseVersionUrl = m_server->urlText(u"/monster/vers.dat"_s);
    m_setup.endpoints.updateListUrl = m_server->urlText(u"/monster/update.dat"_s);
    m_setup.endpoints.browserPath = u"test-browser"_s;
    m_setup.transfers.pause = m_setup.transfers.downloadPause = 1500ms;
    m_setup.transfers.deadline = 5000ms;
    m_setup.transfers.startupChecks = 1000ms;
    m_program = std::make_unique<Program>(m_setup);
    testsupport::writeFile(m_folder.versionFile(), "\"2026.1206\"\r\n");
    m_server->setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1206\r\n");
}

void TestStartup::cleanup()
{
    closeAllWindows();
    m_program.reset();
}

void TestStartup::serveNewDatabase(int delayMs)
{
    const QByteArray data =
        testsupport::dataFile({testsupport::record(u"Ant"_s), testsupport::record(u"Bat"_s),
                               testsupport::record(u"Cat"_s)});
    m_server->setReply(u"/data/cml.nmd"_s, {.body = data, .delayMs = delayMs});
    m_server->setBody(u"/monster/update.dat"_s,
                      "2\r\ncml.nmd,2," + QByteArray::number(data.size()) + "," +
                          m_server->urlText(u"/data/cml.nmd"_s).toLatin1() + "\r\n");
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1207\r\n");
}

void TestStartup::runDownloader()
{
    DownloaderWindow *window = m_program->downloaderWindow();
    child<QTimer>(window, "Timer1")->setInterval(0);
    QTRY_VERIFY(child(window, "finished")->isVisible());
}

void TestStartup::silentServerNeverHoldsTheSplash_data()
{
    QTest::addColumn<bool>("skip"); // Esc at once, or the checks left to give up
    QTest::newRow("checks give up in time") << false;
    QTest::newRow("Esc skips them") << true;
}

// A server that accepts and never answers: the splash is there at once, the checks (on while
// their switches are empty) together give up within their budget (a retry included) and the
// main window says so; a key skips whatever is left of them. A manual check then waits, and
// Exit still ends the program.
void TestStartup::silentServerNeverHoldsTheSplash()
{
    QFETCH(bool, skip);
    for (const QString &path : {u"/monster.txt"_s, u"/monster/vers.dat"_s})
        m_server->setReply(path, {.delayMs = 60000});
    QElapsedTimer started;
    started.start();
    m_program->start();
    SplashWindow *splash = m_program->splashWindow();
    QVERIFY(splash->isVisible());
    if (skip) {
        QTRY_COMPARE(m_server->hits(u"/monster.txt"_s), 1);
        QTest::keyClick(splash, Qt::Key_Escape);
    } else {
        QTRY_VERIFY(child<QTimer>(splash, "Timer1")->isActive());
        // Each of the three fetches alone could wait 1.5 s.
        QVERIFY2(started.elapsed() < 2800, qPrintable(QString::number(started.elapsed())));
        QTest::keyClick(splash, Qt::Key_Shift); // produces no character
        QVERIFY(!m_program->mainWindow());
        QTest::mouseClick(child(splash, "Image2"), Qt::LeftButton);
    }
    QVERIFY(m_program->mainWindow());
    QTRY_VERIFY(!m_program->splashWindow());
    QCOMPARE(child<QLabel>(m_program->mainWindow(), "checkproblem")->text().isEmpty(), skip);

    // Exit while a manual check waits on it: the check ends with the window.
    QSignalSpy last(m_program.get(), &Program::lastWindowClosed);
    child<QAction>(m_program->mainWindow(), "mnuUpdate")->trigger();
    m_program->mainWindow()->close();
    QTRY_COMPARE(last.count(), 1);
}

void TestStartup::newProgramVersionOpensTheDownloadPage()
{
    m_server->setBody(u"/monster.txt"_s, "1.8.5000");
    m_server->setBody(u"/monster/vers.dat"_s, "2026.1207\r\n"); // differs, but is not compared
    platform::messagetesting::queueAnswer(Answer::Yes);
    m_program->start();
    QTRY_VERIFY(child<QTimer>(m_program->splashWindow(), "Timer1")->isActive());
    QCOMPARE(shownTitles(), QStringList{u"New Version Availible"_s});
    // The browser gets the page as an argument of its own.
    const platform::launchtesting::Launch browser{u"test-browser"_s,
                                                  {Endpoints::defaults().downloadPageUrl}};
    QCOMPARE(platform::launchtesting::takeLaunched(), QList{browser});
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 1);
}

void TestStartup::databaseUpdateRunsTheDownloaderThenContinues()
{
    serveNewDatabase(300);
    platform::messagetesting::queueAnswer(Answer::Yes);
    m_program->start();
    QTRY_VERIFY(m_program->downloaderWindow());
    QCOMPARE(shownTitles(), QStringList{u"Database Update"_s});
    QTRY_VERIFY(!m_program->splashWindow());
    DownloaderWindow *window = m_program->downloaderWindow();
    QVERIFY(window->isVisible() && !child(window, "finished")->isVisible());
    child<QTimer>(window, "Timer1")->setInterval(0);
    QTRY_VERIFY(child<QLabel>(window, "lblFileStatus")->text().startsWith(u"Downloading"_s));
    window->close();
    QVERIFY(window->isVisible()); // refused while the files are changing

    runDownloader();
    QCOMPARE(child<QLabel>(window, "panel1")->text(), u"Finished Updating Database"_s);
    QCOMPARE(child<QLabel>(window, "lblFileStatus2")->text(), u"cml.nmd updated."_s);
    QCOMPARE(testsupport::readFile(m_folder.versionFile()), QByteArray("\"2026.1207\"\r\n"));

    QTest::mouseClick(child(window, "finished"), Qt::LeftButton);
    QVERIFY(m_program->mainWindow());
    QCOMPARE(child<QListView>(m_program->mainWindow(), "monstername")->model()->rowCount(), 3);
    QTRY_VERIFY(!m_program->downloaderWindow());
}

// Data that can be read but not written: it is shown, one message says why it is not
// updated, and no check asks about a database update.
void TestStartup::readOnlyDataIsShownAndNeverUpdated()
{
    m_setup.updatesBlocked = u"the folder /home/u/.local cannot be made"_s;
    m_program = std::make_unique<Program>(m_setup);
    serveNewDatabase();
    m_program->start();
    QTRY_VERIFY(child<QTimer>(m_program->splashWindow(), "Timer1")->isActive());
    QTest::keyClick(m_program->splashWindow(), Qt::Key_Space);
    QCOMPARE(child<QListView>(m_program->mainWindow(), "monstername")->model()->rowCount(), 1);
    child<QAction>(m_program->mainWindow(), "mnuUpdate")->trigger();
    QTRY_COMPARE(platform::messagetesting::shown().size(), 2);
    for (const auto &shown : platform::messagetesting::takeShown())
        QVERIFY2(shown.prompt.contains(u"Database updates cannot be stored: the folder "
                                       "/home/u/.local cannot be made."_s),
                 qPrintable(shown.prompt));
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 0);
}

void TestStartup::manualCheckSaysNoUpdatesAndCanBeCancelled()
{
    m_program->openMainWindow();
    auto *update = child<QAction>(m_program->mainWindow(), "mnuUpdate");
    TestServer::Reply slow;
    slow.body = appinfo::runningVersion().toLatin1();
    slow.delayMs = 200;
    m_server->setReply(u"/monster.txt"_s, slow);

    update->trigger(); // and again: cancelled, nothing said
    QCOMPARE(update->text(), u"Cancel &Update Check"_s);
    update->trigger();
    QCOMPARE(update->text(), u"Check for &Updates Now"_s);
    update->trigger();
    QTRY_COMPARE(update->text(), u"Check for &Updates Now"_s);
    const QList<platform::messagetesting::Shown> shown = platform::messagetesting::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"No Updates"_s);
    QCOMPARE(shown[0].buttons, platform::Buttons::OkCancel);
    QCOMPARE(m_server->hits(u"/monster/vers.dat"_s), 1); // the cancelled check asked no more

    // A server that cannot be reached is not "No Updates": the message says what failed,
    // and so does the status line until a check gets through.
    m_server.reset();
    update->trigger();
    QTRY_COMPARE(platform::messagetesting::shown().size(), 1);
    const platform::messagetesting::Shown failed = platform::messagetesting::takeShown()[0];
    QCOMPARE(failed.title, u"Norvalen English Beta Monster Database"_s);
    QVERIFY2(failed.prompt.startsWith(u"The update server could not be reached"_s) &&
                 failed.prompt.contains(u"Program version: the server refused the connection."_s),
             qPrintable(failed.prompt));
    QVERIFY(child<QLabel>(m_program->mainWindow(), "checkproblem")
                ->text()
                .contains(u"Program version: the server refused the connection."_s));
}

// The splash still ends by itself, having asked nothing; the manual check then finds the
// update and hands over to the downloader.
void TestStartup::switchedOffChecksFetchNothingButTheManualOneRuns()
{
    m_store->save(u"settings"_s, u"progupdates"_s, u"0"_s);
    m_store->save(u"settings"_s, u"dbupdates"_s, u"0"_s);
    serveNewDatabase();
    m_program->start();
    auto *timer = child<QTimer>(m_program->splashWindow(), "Timer1");
    QTRY_VERIFY(timer->isActive());
    QCOMPARE(m_server->hits(u"/monster.txt"_s) + m_server->hits(u"/monster/vers.dat"_s), 0);
    timer->setInterval(1);
    QTRY_VERIFY(m_program->mainWindow());
    platform::messagetesting::queueAnswer(Answer::Yes);
    child<QAction>(m_program->mainWindow(), "mnuUpdate")->trigger();
    QTRY_VERIFY(m_program->downloaderWindow());
    QCOMPARE(shownTitles(), QStringList{u"Database Update"_s});
    QTRY_VERIFY(!m_program->mainWindow());
}

// About and the feedback form hold the main window disabled while they are open, each at
// most once, parented to it; Options leaves it usable, and outlives it.
void TestStartup::dialogsOpenOnceAndHoldTheMainWindow()
{
    m_program->openMainWindow();
    MainWindow *main = m_program->mainWindow();
    for (const char *command : {"about", "mnuReport"}) {
        child<QAction>(main, command)->trigger();
        QWidget *dialog = command == QByteArray("about")
                              ? static_cast<QWidget *>(m_program->aboutWindow())
                              : m_program->feedbackWindow();
        QVERIFY(dialog && dialog->isVisible() && dialog->isEnabled());
        QCOMPARE(dialog->parentWidget(), main);
        QVERIFY(!main->isEnabled());
        child<QAction>(main, command)->trigger(); // brought forward, not made again
        QCOMPARE(main->findChildren<QWidget *>(dialog->objectName()).size(), 1);
        dialog->close();
        QTRY_VERIFY(main->isEnabled());
    }
    child<QAction>(main, "mnuOptions")->trigger();
    child<QAction>(main, "mnuOptions")->trigger();
    QCOMPARE(main->findChildren<OptionsWindow *>().size(), 1);
    QVERIFY(main->isEnabled());

    // Exit with Options open: the program runs until Options closes, and closing it makes
    // no main window again.
    QSignalSpy last(m_program.get(), &Program::lastWindowClosed);
    child<QAction>(main, "mnuExit")->trigger();
    QTRY_VERIFY(!m_program->mainWindow());
    QVERIFY(m_program->optionsWindow() && m_program->optionsWindow()->isVisible());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(last.count(), 0);
    QTest::mouseClick(child(m_program->optionsWindow(), "cancel"), Qt::LeftButton);
    QTRY_COMPARE(last.count(), 1);
    QVERIFY(!m_program->mainWindow());
}

// The search window beside a usable main window: live or on demand as Options say,
// unavailable values counted in ranges or not, and the chosen entry of a shared name shown.
void TestStartup::searchFollowsOptionsAndShowsTheChosenEntry()
{
    QStringList ghoul = testsupport::record(u"Ghoul"_s), bat = testsupport::record(u"Bat"_s);
    ghoul[MonsterRecord::Hp] = u"2¡400"_s;
    ghoul[MonsterRecord::Undead] = u"Yes"_s;
    QStringList bat2 = bat;
    bat[MonsterRecord::Hp] = u"10"_s;
    bat2[MonsterRecord::Hp] = u"Data Unavailable"_s;
    testsupport::writeFile(m_folder.databaseFile(), testsupport::dataFile({bat, ghoul, bat2}));
    m_program->openMainWindow();
    child<QAction>(m_program->mainWindow(), "mnuSearch")->trigger();
    child<QAction>(m_program->mainWindow(), "mnuSearch")->trigger();
    QWidget *search = m_program->searchWindow();
    QVERIFY(search && search->isVisible() && m_program->mainWindow()->isEnabled());
    auto *count = child<QLabel>(search, "count");
    QTRY_COMPARE(count->text(), u"3 of 3 monsters"_s);

    child<QLineEdit>(search, "hpfrom")->setText(u"64"_s);
    QTRY_COMPARE(count->text(), u"2 of 3 monsters"_s); // 2,400 and the unavailable one
    m_store->save(u"settings"_s, u"unavailable"_s, u"0"_s);
    m_store->save(u"settings"_s, u"search"_s, u"0"_s);
    m_program->openOptions();
    QTest::mouseClick(child(m_program->optionsWindow(), "done"), Qt::LeftButton);
    QTRY_COMPARE(count->text(), u"1 of 3 monsters"_s);
    child<QLineEdit>(search, "hpfrom")->clear(); // on demand: nothing changes until Enter
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(count->text(), u"1 of 3 monsters"_s);
    QTest::keyClick(child(search, "hpfrom"), Qt::Key_Return);
    QTRY_COMPARE(count->text(), u"3 of 3 monsters"_s);

    child<QTableView>(search, "results")->selectRow(2); // the second Bat
    MainWindow *main = m_program->mainWindow();
    QCOMPARE(child<QLabel>(main, "hp")->text(), u"Data Unavailable"_s);

    // Its note is its own: "With a note" finds it alone.
    QTest::keyClicks(child(main, "notes"), u"x"_s);
    child<QComboBox>(search, "hasnote")->setCurrentIndex(1);
    QTest::keyClick(child(search, "hpfrom"), Qt::Key_Return);
    QTRY_COMPARE(count->text(), u"1 of 3 monsters"_s);
    // Its area followed: that text in that field alone, every other criterion cleared.
    child(main, "area")->setFocus();
    QTest::keyClick(child(main, "area"), Qt::Key_Tab);
    QTest::keyClick(child(main, "area"), Qt::Key_Return);
    QCOMPARE(child<QLineEdit>(search, "searchtext")->text(), u"Bat f6"_s);
    QVERIFY(child<QCheckBox>(search, "inarea")->isChecked() &&
            !child<QCheckBox>(search, "inname")->isChecked());
    QTRY_COMPARE(count->text(), u"2 of 3 monsters"_s);
    // The results as shown, titles first: saved as CSV, copied as tab-separated text.
    platform::filetesting::queuePath(m_dir->filePath(u"found.csv"_s));
    QTest::mouseClick(child(search, "saveresults"), Qt::LeftButton);
    QTRY_COMPARE(count->text(), u"2 of 3 monsters. Saved as found.csv."_s);
    QCOMPARE(
        csv::read(testsupport::readFile(m_dir->filePath(u"found.csv"_s))).rows.value(2).value(0),
        u"Bat"_s);
    QTest::mouseClick(child(search, "copyresults"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text().count(u"\r\n"_s), 3); // titles, two results
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
