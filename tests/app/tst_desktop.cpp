// The real program on a real desktop: an X server of its own with a window manager
// (openbox) on it, where frames, placement and focus are those users meet.
#include "monstertable.h"
#include "realprogram.h"
#include "settingsstore.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace realprogram;

class TestDesktop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void positionHoldsSessionAfterSession();
    void keyboardComesBackAfterAMessage();
    void dialogsOpenOverTheMainWindowAndOnScreen();
    void searchFindsSortsShowsAndKeepsItsPlace();

private:
    // Starts the program and returns its main window.
    QByteArray startMain();
    void exitProgram(const QByteArray &main);
    QString stored(const QString &key)
    {
        return SettingsStore(m_config + u"/nvmonster/settings.sqlite"_s).get(u"placement"_s, key);
    }
    void store(const QString &section, const QString &key, const QString &value)
    {
        SettingsStore(m_config + u"/nvmonster/settings.sqlite"_s).save(section, key, value);
    }

    QProcess m_xserver;
    QProcess m_manager;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
    QString m_config;
    QProcess m_process;
};

void TestDesktop::initTestCase()
{
    startXServer(m_xserver);
    startWindowManager(m_manager);
}

void TestDesktop::cleanupTestCase()
{
    for (QProcess *process : {&m_manager, &m_xserver}) {
        process->terminate();
        process->waitForFinished();
    }
}

void TestDesktop::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_program = installProgram(m_dir->path());
    QVERIFY(!m_program.isEmpty());
    QList<QStringList> records;
    for (const auto &[name, hp] : {std::pair{u"Bat"_s, u"500"_s}, std::pair{u"Ghoul"_s, u"2¡400"_s},
                                   std::pair{u"Wolf"_s, u"20"_s}}) {
        records.append(testsupport::record(name));
        records.last()[MonsterRecord::Hp] = hp;
    }
    testsupport::writeFile(m_dir->filePath(u"data/cml.nmd"_s), testsupport::dataFile(records));
    // The feedback form sends to a port where nothing listens.
    writeIni(m_dir->path(), {u"FeedbackUrl=http://127.0.0.1:9/send1.php"_s});
    m_config = m_dir->filePath(u"config"_s);
    setChecks(m_config, false);
}

void TestDesktop::cleanup()
{
    m_process.kill();
    m_process.waitForFinished();
}

QByteArray TestDesktop::startMain()
{
    start(m_process, m_program, m_config);
    return skipSplash(m_process);
}

void TestDesktop::exitProgram(const QByteArray &main)
{
    QVERIFY(keys(main, {u"alt+e"_s})); // "&Exit"
    QVERIFY(m_process.waitForFinished(10000));
}

// The stored position is the frame's corner, restored there and saved from there: start
// after start, with and without the five-second save, it does not move by a pixel.
void TestDesktop::positionHoldsSessionAfterSession()
{
    store(u"placement"_s, u"maintop"_s, u"1500"_s);
    store(u"placement"_s, u"mainleft"_s, u"3000"_s);
    store(u"settings"_s, u"saveposition"_s, u"1"_s);
    for (int session = 0; session < 10; ++session) {
        const QByteArray main = startMain();
        QVERIFY(!main.isEmpty());
        QTRY_VERIFY2(frameOf(main).topLeft() == QPoint(200, 100),
                     qPrintable(QString::number(session)));
        if (session < 3) {
            // The timer's save rewrites the value; the sentinel shows it has run.
            store(u"placement"_s, u"maintop"_s, u"-1"_s);
            QTRY_VERIFY_WITH_TIMEOUT(stored(u"maintop"_s) != u"-1"_s, 10000);
        }
        exitProgram(main);
        QVERIFY2(stored(u"maintop"_s) == u"1500"_s,
                 qPrintable(QString::number(session) + u" "_s + stored(u"maintop"_s)));
        QCOMPARE(stored(u"mainleft"_s), u"3000"_s);
    }
}

// After a message box the window it came from has the keyboard again: Esc then cancels the
// feedback form without a click first.
void TestDesktop::keyboardComesBackAfterAMessage()
{
    const QByteArray main = startMain();
    QVERIFY(xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(main), u"300"_s, u"100"_s}));
    QVERIFY(keys(main, {u"ctrl+f"_s}));
    QByteArray form;
    QTRY_VERIFY(!(form = findWindow(u"Feedback Form"_s)).isEmpty());
    QVERIFY(keys(form, {u"Tab"_s, u"Tab"_s, u"h"_s, u"i"_s, u"Tab"_s, u"Return"_s}));
    QByteArray error;
    QTRY_VERIFY_WITH_TIMEOUT(!(error = findWindow(u"Feedback Error"_s)).isEmpty(), 20000);
    // The message stands over the form.
    QTRY_VERIFY((frameOf(error).center() - frameOf(form).center()).manhattanLength() < 30);
    QVERIFY(keys(error, {u"Return"_s}));
    QTRY_VERIFY(findWindow(u"Feedback Error"_s).isEmpty());
    QVERIFY(xdotool({u"key"_s, u"Escape"_s}));
    QTRY_VERIFY(findWindow(u"Feedback Form"_s).isEmpty());
    exitProgram(main);
}

// Options and the feedback form open centred over the main window, wholly on the screen
// even when the main window sits at its edge; About cannot be maximised.
void TestDesktop::dialogsOpenOverTheMainWindowAndOnScreen()
{
    const QByteArray main = startMain();
    QTRY_VERIFY(frameOf(main).isValid());
    const QRect screen(0, 0, 1024, 768);
    for (const QPoint corner : {QPoint(0, 0), QPoint(900, 600)}) {
        QVERIFY(xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(main),
                         QString::number(corner.x()), QString::number(corner.y())}));
        for (const auto &[key, title] :
             {std::pair{u"ctrl+o"_s, u"Options"_s}, std::pair{u"ctrl+f"_s, u"Feedback Form"_s}}) {
            QVERIFY(keys(main, {key}));
            QByteArray dialog;
            QTRY_VERIFY(!(dialog = findWindow(title)).isEmpty());
            QTRY_VERIFY(frameOf(dialog).isValid());
            const QRect frame = frameOf(dialog);
            QVERIFY2(screen.contains(frame), qPrintable(title));
            if (corner.isNull())
                QVERIFY((frame.center() - frameOf(main).center()).manhattanLength() < 6);
            QVERIFY(keys(dialog, {u"Escape"_s}));
            QTRY_VERIFY(findWindow(title).isEmpty());
        }
    }
    QVERIFY(keys(main, {u"alt+a"_s}));
    QByteArray about;
    QTRY_VERIFY(!(about = findWindow(kAppTitle)).isEmpty());
    QTRY_VERIFY(!windowProperty(about, "_NET_WM_ALLOWED_ACTIONS").isEmpty());
    QVERIFY(!windowProperty(about, "_NET_WM_ALLOWED_ACTIONS").contains("MAXIMIZE"));
    QVERIFY(keys(about, {u"Return"_s}));
    exitProgram(main);
}

// A search, a sort, a choice shown in the main window; the search window's place kept.
void TestDesktop::searchFindsSortsShowsAndKeepsItsPlace()
{
    store(u"settings"_s, u"saveposition"_s, u"1"_s);
    const QByteArray main = startMain();
    QVERIFY(keys(main, {u"ctrl+s"_s}));
    QByteArray search;
    QTRY_VERIFY(!(search = findWindow(u"Search Monsters"_s)).isEmpty());
    // Hit points from 20 (every monster here), sorted by them, and the first result chosen:
    // in file order that is the Bat, sorted the Wolf, which the main window then shows.
    // (Tab into the results makes the first one current.)
    QVERIFY(keys(search, {u"Tab"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s, u"Tab"_s, u"2"_s,
                          u"0"_s, u"alt+b"_s, u"h"_s, u"Tab"_s}));
    QVERIFY(
        xdotool({u"windowmove"_s, u"--sync"_s, QString::fromLatin1(search), u"300"_s, u"200"_s}));
    QTRY_VERIFY(frameOf(search).topLeft() != QPoint());
    const QPoint place = frameOf(search).topLeft();
    QVERIFY(keys(search, {u"Escape"_s}));
    QTRY_VERIFY(findWindow(u"Search Monsters"_s).isEmpty());
    QCOMPARE(stored(u"searchleft"_s), QString::number(place.x() * 15));
    QCOMPARE(stored(u"searchtop"_s), QString::number(place.y() * 15));
    QVERIFY(keys(main, {u"ctrl+s"_s}));
    QTRY_VERIFY(!(search = findWindow(u"Search Monsters"_s)).isEmpty());
    QTRY_COMPARE(frameOf(search).topLeft(), place);
    exitProgram(main);
    QCOMPARE(stored(u"lastmonster"_s), u"Wolf"_s);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
