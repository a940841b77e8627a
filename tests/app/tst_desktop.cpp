// The real program on a real desktop: an X server of its own with a window manager
// (openbox) on it, where frames, placement and focus are those users meet.
#include "monstertable.h"
#include "realprogram.h"

using namespace realprogram;

namespace {

const QRect kScreen(0, 0, 1280, 1024);

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_desktop.start(true, u"1280x1024"_s); }
    void init();
    void positionHoldsSessionAfterSession();
    void placeSizeAndMaximisedKeptOnEveryScreen();
    void filterByKeyboardThenBack();
    void keyboardComesBackAfterAMessage();
    void dialogsOpenOverTheMainWindowAndOnScreen();
    void searchFindsSortsShowsAndKeepsItsPlace();
    void secondStartBringsTheRunningCopyForward();

private:
    // Starts the program and returns its main window.
    QByteArray startMain() { return startToMain(m_process, m_program, m_dir->path()); }
    void exitProgram(const QByteArray &main)
    {
        QVERIFY(keys(main, {u"alt+e"_s})); // "&Exit"
        QVERIFY(m_process.waitForFinished(10000));
    }
    QString stored(const QString &key) { return settings(m_dir->path()).get(u"placement"_s, key); }

    Desktop m_desktop;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    Process m_process;
};

void TestDesktop::init()
{
    // The last test's program, when it still runs.
    m_process.kill();
    m_process.waitForFinished();
    QList<QStringList> records;
    for (const auto &[name, hp] : {std::pair{u"Bat"_s, u"500"_s}, std::pair{u"Ghoul"_s, u"2¡400"_s},
                                   std::pair{u"Wolf"_s, u"20"_s}}) {
        records.append(testsupport::record(name));
        records.last()[MonsterRecord::Hp] = hp;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    m_program = installProgram(m_dir->path(), records);
    QVERIFY(!m_program.isEmpty());
    // The feedback form sends to a port where nothing listens.
    writeIni(m_dir->path(), u"http://127.0.0.1:9/"_s);
    setChecks(m_dir->path(), false);
}

// The stored position is the frame's corner, restored there and saved from there: start
// after start, with and without the five-second save, it does not move by a pixel.
void TestDesktop::positionHoldsSessionAfterSession()
{
    settings(m_dir->path()).save(u"placement"_s, u"maintop"_s, u"1500"_s);
    settings(m_dir->path()).save(u"placement"_s, u"mainleft"_s, u"3000"_s);
    settings(m_dir->path()).save(u"settings"_s, u"saveposition"_s, u"1"_s);
    for (int session = 0; session < 10; ++session) {
        const QByteArray main = startMain();
        QVERIFY(!main.isEmpty());
        QTRY_VERIFY2(frameOf(main).topLeft() == QPoint(200, 100),
                     qPrintable(QString::number(session)));
        if (session < 3) {
            // The timer's save rewrites the value; the sentinel shows it has run.
            settings(m_dir->path()).save(u"placement"_s, u"maintop"_s, u"-1"_s);
            QTRY_VERIFY_WITH_TIMEOUT(stored(u"maintop"_s) != u"-1"_s, 10000);
        }
        exitProgram(main);
        QCOMPARE(stored(u"mainleft"_s) + u',' + stored(u"maintop"_s), u"3000,1500"_s);
    }
}

// Size and maximised state come back with the place; a place saved on a larger screen or at
// another scale opens wholly on the screen, on the same spot where it fits.
void TestDesktop::placeSizeAndMaximisedKeptOnEveryScreen()
{
    settings(m_dir->path()).save(u"settings"_s, u"saveposition"_s, u"1"_s);
    QByteArray main = startMain();
    QVERIFY(xdotool({u"windowsize"_s, u"--sync"_s, QString::fromLatin1(main), u"600"_s, u"650"_s}));
    QVERIFY(xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(main), u"300"_s, u"150"_s}));
    const QRect place = frameOf(main);
    exitProgram(main);
    main = startMain();
    QTRY_COMPARE(frameOf(main), place);
    // A double click on the title maximises it.
    const QPoint title = place.topLeft() + QPoint(place.width() / 2, 8);
    QVERIFY(xdotool({u"mousemove"_s, u"--sync"_s, QString::number(title.x()),
                     QString::number(title.y()), u"click"_s, u"--repeat"_s, u"2"_s, u"1"_s}));
    QTRY_COMPARE(frameOf(main).size(), kScreen.size());
    exitProgram(main);
    main = startMain();
    QTRY_COMPARE(frameOf(main).size(), kScreen.size());
    exitProgram(main);

    settings(m_dir->path()).save(u"placement"_s, u"mainmaximized"_s, u"0"_s);
    qputenv("QT_SCALE_FACTOR", "2"); // twice as large: taller than the screen
    main = startMain();
    qunsetenv("QT_SCALE_FACTOR");
    QTRY_VERIFY(frameOf(main).isValid() && kScreen.contains(frameOf(main)));
    QVERIFY(qAbs(frameOf(main).left() - place.left()) <= 1); // half a pixel at scale 2
    exitProgram(main);
    settings(m_dir->path()).save(u"placement"_s, u"mainleft"_s, u"9000"_s); // 600 pixels in
    const QByteArray display = qgetenv("DISPLAY");
    Desktop small;
    small.start(true, u"1024x600"_s);
    main = startMain();
    QTRY_VERIFY(frameOf(main).isValid() && QRect(0, 0, 1024, 600).contains(frameOf(main)));
    exitProgram(main);
    qputenv("DISPLAY", display);
}

// From the start by keyboard alone: Ctrl+E, part of a name, Down and Enter show the monster;
// Alt+Left goes back to the one shown before. The monster shown is kept at once: a run
// killed then opens on it, its notes box too.
void TestDesktop::filterByKeyboardThenBack()
{
    const QByteArray main = startMain();
    QVERIFY(keys(main, {u"Down"_s})); // the list has the keyboard, on its first row
    QTRY_COMPARE(stored(u"lastmonster"_s), u"Ghoul"_s);
    QVERIFY(keys(main, {u"ctrl+e"_s, u"w"_s, u"O"_s, u"Down"_s, u"Return"_s}));
    QTRY_COMPARE(stored(u"lastmonster"_s), u"Wolf"_s);
    QVERIFY(keys(main, {u"alt+Left"_s}));
    QTRY_COMPARE(stored(u"lastmonster"_s), u"Ghoul"_s);
    QVERIFY((m_process.kill(), m_process.waitForFinished()));
    QVERIFY(keys(startMain(), {u"Tab"_s, u"x"_s}));
    QTRY_COMPARE(settings(m_dir->path()).get(u"notes"_s, u"Ghoul"_s), u"x"_s);
}

// After a message box the window it came from has the keyboard again: Esc then cancels the
// feedback form without a click first.
void TestDesktop::keyboardComesBackAfterAMessage()
{
    const QByteArray main = startMain();
    QVERIFY(xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(main), u"300"_s, u"100"_s}));
    QVERIFY(keys(main, {u"ctrl+f"_s}));
    const QByteArray form = waitForWindow(u"Feedback Form"_s);
    QVERIFY(keys(form, {u"Tab"_s, u"Tab"_s, u"h"_s, u"i"_s, u"Tab"_s, u"Return"_s}));
    const QByteArray error = waitForWindow(u"Feedback Error"_s);
    // The message stands over the form.
    QTRY_VERIFY((frameOf(error).center() - frameOf(form).center()).manhattanLength() < 30);
    QVERIFY(keys(error, {u"Return"_s}));
    QTRY_VERIFY(findWindows(u"Feedback Error"_s).isEmpty());
    QVERIFY(xdotool({u"key"_s, u"Escape"_s}));
    QTRY_VERIFY(findWindows(u"Feedback Form"_s).isEmpty());
}

// Options and the feedback form open centred over the main window, wholly on the screen
// even when the main window sits at its edge; About cannot be maximised, and says so when
// the browser for a link starts and then fails (one named by the user's addresses file,
// which wins over the one beside the program, whose browser does nothing).
void TestDesktop::dialogsOpenOverTheMainWindowAndOnScreen()
{
    testsupport::writeFile(m_dir->path() + u"/config/nvmonster/nvmonster.ini"_s,
                           "[browser]\nBrowserPath=" + QFINDTESTDATA("app/nobrowser").toUtf8());
    const QByteArray main = startMain();
    for (const QPoint corner : {QPoint(0, 0), QPoint(1150, 850)}) {
        QVERIFY(xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(main),
                         QString::number(corner.x()), QString::number(corner.y())}));
        for (const auto &[key, title] :
             {std::pair{u"ctrl+o"_s, u"Options"_s}, std::pair{u"ctrl+f"_s, u"Feedback Form"_s}}) {
            QVERIFY(keys(main, {key}));
            const QByteArray dialog = waitForWindow(title);
            QTRY_VERIFY(frameOf(dialog).isValid());
            const QRect frame = frameOf(dialog);
            QVERIFY2(kScreen.contains(frame), qPrintable(title));
            if (corner.isNull())
                QVERIFY((frame.center() - frameOf(main).center()).manhattanLength() < 6);
            QVERIFY(keys(dialog, {u"Escape"_s}));
            QTRY_VERIFY(findWindows(title).isEmpty());
        }
    }
    QVERIFY(keys(main, {u"alt+a"_s}));
    const QByteArray about = waitForWindow(kAppTitle);
    QByteArray actions; // once the window manager has said
    QTRY_VERIFY((actions = run(u"xprop"_s, {u"-id"_s, QString::fromLatin1(about),
                                            u"_NET_WM_ALLOWED_ACTIONS"_s}))
                    .contains("_NET_WM_ACTION_MOVE"));
    QVERIFY2(!actions.contains("MAXIMIZE"), actions.constData());
    // The link to the maker's site, gotosite at 264, 304.
    QVERIFY(xdotool({u"mousemove"_s, u"--window"_s, QString::fromLatin1(about), u"300"_s, u"312"_s,
                     u"click"_s, u"1"_s}));
    QTRY_COMPARE(findWindows(kAppTitle).size(), 2);
    QCOMPARE(testsupport::readFile(m_dir->path() + u"/config/url"_s),
             "https://www.quillmoor.example/\n");
}

// The search opens beside the main window; from the words to a result by keyboard, a sort,
// a choice shown in the main window; the search window's place kept.
void TestDesktop::searchFindsSortsShowsAndKeepsItsPlace()
{
    settings(m_dir->path()).save(u"settings"_s, u"saveposition"_s, u"1"_s);
    for (const QString &edge : {u"maintop"_s, u"mainleft"_s})
        settings(m_dir->path()).save(u"placement"_s, edge, u"0"_s);
    const QByteArray main = startMain();
    QTRY_COMPARE(frameOf(main).topLeft(), QPoint(0, 0));
    QVERIFY(keys(main, {u"ctrl+s"_s}));
    QByteArray search = waitForWindow(u"Search Monsters"_s);
    QTRY_VERIFY(frameOf(search).isValid() && !frameOf(search).intersects(frameOf(main)));
    QVERIFY(keys(search, {u"b"_s, u"Down"_s}));
    QTRY_COMPARE(stored(u"lastmonster"_s), u"Bat"_s);
    // Back to the words, which are cleared; hit points from 20 (every monster here), sorted
    // by them, and the first result chosen: in file order that is the Bat, sorted the Wolf.
    // (Seven Tabs past the fields to look in and the note choice; Tab into the results makes
    // the first one current.)
    QVERIFY(
        keys(search, {u"Escape"_s, u"BackSpace"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s,
                      u"Tab"_s, u"Tab"_s, u"2"_s, u"0"_s, u"alt+b"_s, u"h"_s, u"Tab"_s}));
    QTRY_COMPARE(stored(u"lastmonster"_s), u"Wolf"_s);
    QVERIFY(
        xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(search), u"600"_s, u"500"_s}));
    const QPoint put = frameOf(search).topLeft();
    QVERIFY(keys(search, {u"Escape"_s, u"Escape"_s})); // to the words, then closed
    QTRY_VERIFY(findWindows(u"Search Monsters"_s).isEmpty());
    QCOMPARE(stored(u"searchleft"_s), QString::number(put.x() * 15));
    QCOMPARE(stored(u"searchtop"_s), QString::number(put.y() * 15));
    QVERIFY(keys(main, {u"ctrl+s"_s}));
    search = waitForWindow(u"Search Monsters"_s);
    QTRY_COMPARE(frameOf(search).topLeft(), put);
    exitProgram(main);
}

// A second start hands over to the copy running on its data folder, whose window comes
// forward; a copy on another folder runs beside it. A killed copy leaves its socket behind,
// and of two starts at once after it one runs and the other hands over to it.
void TestDesktop::secondStartBringsTheRunningCopyForward()
{
    const QByteArray main = startMain();
    QVERIFY(xdotool({u"windowminimize"_s, u"--sync"_s, QString::fromLatin1(main)}));
    Process second;
    start(second, m_program, m_dir->path());
    QVERIFY(second.waitForFinished(20000) && second.exitCode() == 0);
    QTRY_COMPARE(run(u"xdotool"_s, {u"getactivewindow"_s}).trimmed(), main);

    QTemporaryDir other;
    writeIni(other.path(), u"http://127.0.0.1:9/"_s);
    Process portable;
    QVERIFY(!startToMain(portable, installProgram(other.path(), {testsupport::record(u"Ant"_s)}),
                                 m_dir->path()).isEmpty());

    m_process.kill();
    QVERIFY(m_process.waitForFinished());
    Process a, b;
    start(a, m_program, m_dir->path());
    start(b, m_program, m_dir->path());
    QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning,
                             20000);
    Process &ended = a.state() == QProcess::NotRunning ? a : b;
    QCOMPARE(ended.exitCode(), 0);
    waitForWindow(kAppTitle, (&ended == &a ? b : a).processId());
    QCOMPARE(findWindows(kAppTitle).size(), 1);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
