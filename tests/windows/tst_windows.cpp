// Each window on its own, as it is made with what it needs: the main window, Options, the
// feedback form (against a real HTTP server on loopback) and About.
#include "aboutwindow.h"
#include "feedbackwindow.h"
#include "filedialog.h"
#include "framing.h"
#include "mainwindow.h"
#include "optionswindow.h"
#include "registry.h"
#include "testserver.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <csignal>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace platform::registry;
using platform::launchtesting::takeLaunched;
using platform::messagetesting::takeShown;

namespace {

// The records of the main window's database, in file order.
enum Row { BatLow, Crab, BatHigh, TwoLines, Wolf, LongName };

// Mounts of the tests' own (a full disk, a read-only folder) in a mount namespace of this
// process, made before any thread starts; it takes root. Without it a file size limit makes
// the store's folder as good as full.
const bool g_ownMounts =
    unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;

QStringList fields(const QString &name, const QString &hp, const QString &picture)
{
    QStringList f = testsupport::record(name, picture);
    f[1] = hp;
    return f;
}

} // namespace

class TestWindows : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init();
    void cleanup() { closeAllWindows(); }

    void selectionShowsTheEntrysOwnRecord();
    void notesFollowTheSelection();
    void storeProblemIsALineAndTypingGoesOn();
    void noteIsNeverSavedOverWhatWasNotShown_data();
    void noteIsNeverSavedOverWhatWasNotShown();
    void copyTriggersPutTheValueOnTheClipboard();
    void positionIsRestoredAndKeptWhenSavingIsOff();
    void minimumSizeAndMenus();
    void keyboardCopyingAndDailyUse();
    void filterOrderHistoryAndTextSize();
    void linksFollowByTheirOwnGesture();
    void notesExportThenImport_data();
    void notesExportThenImport();

    void optionsLoadAndSaveOnlyOnSave();

    void feedbackScriptReceivesExactlyWhatWasTyped_data();
    void feedbackScriptReceivesExactlyWhatWasTyped();
    void feedbackFailuresKeepTheFormAndItsTexts_data();
    void feedbackFailuresKeepTheFormAndItsTexts();
    void feedbackTooLongOrClosedDuringTheWait();

    void aboutShowsVersionsAndClosesEveryWay();
    void aboutStartsTheBrowserAndSystemInformation();

private:
    MainWindow *openMain();
    MainWindow *reopenMain()
    {
        m_window->close();
        delete m_window;
        return openMain();
    }
    template <typename T = QLabel> T *get(const char *name) { return child<T>(m_window, name); }
    void select(int row)
    {
        auto *list = get<QListView>("monstername");
        list->setCurrentIndex(list->model()->index(row, 0));
    }
    FeedbackWindow *openFeedback(const QString &url);
    void send(const QString &message, const QString &name, const QString &address);

    QPointer<QWidget> m_window;
    std::unique_ptr<TestServer> m_server;
};

void TestWindows::init()
{
    QStringList crab = fields(u"Crab¡ Giant"_s, u"5¡000"_s, u"pics\\crab.jpg"_s);
    crab[MonsterRecord::Description] = u"Lives in caves.¿Flees at night."_s;
    QStringList wolf = fields(u"Wolf"_s, u"30"_s, {});
    wolf[MonsterRecord::Description] = u"Howls at the moon.¿"_s.repeated(300); // 5,700 bytes
    freshFolder({fields(u"Bat"_s, u"10"_s, u"bat.bmp"_s), crab,
                 fields(u"Bat"_s, u"20"_s, u"missing.gif"_s),
                 fields(u"Two¿Lines"_s, u"2"_s, u"two.ico"_s), wolf,
                 fields(u"Grand Old Ironhide Tortoise of the Saltglass Shore"_s, u"1"_s, {})});
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QDir().mkpath(m_folder.path() + u"pics"_s);
    for (const char *name : {"bat.bmp", "pics/crab.jpg", "two.ico"})
        QVERIFY(picture.save(m_folder.path() + QString::fromLatin1(name)));
    m_server = std::make_unique<TestServer>();
}

MainWindow *TestWindows::openMain()
{
    auto *window = new MainWindow(
        *m_store, m_folder,
        std::make_shared<const MonsterTable>(MonsterTable::loadFile(m_folder.databaseFile())));
    // As the program does: the store's problems are told to the main window.
    m_store->setProblemHandler([window = QPointer(window)](const QString &problem) {
        if (window)
            window->setStoreProblem(problem);
    });
    window->setStoreProblem(m_store->problem());
    window->show();
    m_window = window;
    return window;
}

void TestWindows::selectionShowsTheEntrysOwnRecord()
{
    openMain();
    QCOMPARE(get<QListView>("monstername")->model()->index(Crab, 0).data(), u"Crab, Giant"_s);

    select(Crab);
    QCOMPARE(get<QGroupBox>("monsterframe")->title(), u"Crab, Giant"_s);
    QCOMPARE(get("namea")->text(), u"Crab, Giant"_s);
    QCOMPARE(get("hp")->text(), u"5,000"_s);
    QCOMPARE(get("description")->text(), u"Lives in caves.\nFlees at night."_s);
    const std::pair<const char *, int> labels[] = {
        {"level", 2},  {"experience", 3}, {"treasure", 4}, {"area", 6},     {"attack", 7},
        {"undead", 8}, {"jobexp", 10},    {"size", 11},    {"defense", 12}, {"mdefense", 13}};
    for (const auto &[name, field] : labels)
        QCOMPARE(get(name)->accessibleDescription(), u"Crab, Giant f"_s + QString::number(field));
    QVERIFY(!get("display")->pixmap().isNull()); // named Windows-style, in a subfolder

    // Each of two entries of the same name shows its own record.
    select(BatHigh);
    QCOMPARE(get("hp")->text(), u"20"_s);
    QVERIFY(get("display")->pixmap().isNull());      // missing picture: none shown ...
    QCOMPARE(get("mdefense")->text(), u"Bat f13"_s); // ... the labels after it still set
    select(BatLow);
    QCOMPARE(get("hp")->text(), u"10"_s);

    select(TwoLines);
    QCOMPARE(get("namea")->text(), u"Two\nLines"_s);
    QCOMPARE(get<QGroupBox>("monsterframe")->title(), u"Two¿Lines"_s);
    // Both lines show, the rows below them moved down; the frame's caption and line stay
    // above the rows.
    QTRY_VERIFY(get("namea")->height() >= 2 * get("namea")->fontMetrics().lineSpacing() &&
                get("namea")->geometry().bottom() <= get("hp")->y()); // rows overlap a pixel
    QVERIFY(get("namelabel")->y() >= get<QGroupBox>("monsterframe")->contentsRect().top());
}

void TestWindows::notesFollowTheSelection()
{
    openMain();
    auto *notes = get<QPlainTextEdit>("notes");
    notes->setFocus();
    QTest::keyClicks(notes, u"orphan"_s); // no monster shown: the box takes no input
    QVERIFY(notes->toPlainText().isEmpty());

    select(BatLow);
    QTest::keyClicks(notes, u"drops cards"_s);
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClicks(notes, u"at night"_s);
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), u"drops cards\r\nat night"_s);
    select(Wolf);
    QVERIFY(notes->toPlainText().isEmpty());
    QCOMPARE(stored(u"notes"_s, u"Wolf"_s), QString()); // showing a note writes nothing
    select(BatHigh); // a namesake keeps a note of its own, the first the name's
    QVERIFY(notes->toPlainText().isEmpty());
    QTest::keyClicks(notes, u"older"_s);
    QCOMPARE(stored(u"notes"_s, u"Bat\uFFFF2"_s), u"older"_s);

    select(Crab);
    QTest::keyClicks(notes, u"pinches"_s);
    select(TwoLines);
    QTest::keyClicks(notes, u"x"_s);
    QCOMPARE(stored(u"notes"_s, u"Crab, Giant"_s), u"pinches"_s);
    QCOMPARE(stored(u"notes"_s, u"Two\r\nLines"_s), u"x"_s);

    select(BatLow);
    notes->selectAll();
    QTest::keyClick(notes, Qt::Key_Delete);
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), QString());
}

// Another program holds the settings: the notes box keeps the keyboard and every character,
// a line tells why nothing is saved, and the note is stored whole once the lock goes.
void TestWindows::storeProblemIsALineAndTypingGoesOn()
{
    QVERIFY(QTest::qWaitForWindowActive(openMain()));
    select(BatLow);
    auto *notes = get<QPlainTextEdit>("notes");
    notes->setFocus();
    sqlite3 *holder = nullptr;
    sqlite3_open(QFile::encodeName(m_store->filePath()).constData(), &holder);
    QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QTest::keyClicks(notes, u"second"_s);
    QTRY_VERIFY(get("storeproblem")->isVisible());
    QTest::keyClicks(notes, u" note"_s);
    QVERIFY(!get("hint1")->isVisible());
    QCOMPARE(QApplication::focusWidget(), notes);
    QCOMPARE(notes->toPlainText(), u"second note"_s);
    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    QTRY_VERIFY(get("hint1")->isVisible() && !get("storeproblem")->isVisible());
    QCOMPARE(SettingsStore(m_store->filePath()).get(u"notes"_s, u"Bat"_s), u"second note"_s);
}

void TestWindows::noteIsNeverSavedOverWhatWasNotShown_data()
{
    QTest::addColumn<bool>("full");
    QTest::newRow("full disk") << true;
    QTest::newRow("read-only folder") << false;
}

// A store that cannot be written, from the start of a run: the note shows, read-only, a
// line says why, and what is typed saves nothing over it, in this run or the next; once
// the store can be written again the note is edited as usual.
void TestWindows::noteIsNeverSavedOverWhatWasNotShown()
{
    QFETCH(bool, full);
    const QString folder = m_dir->filePath(u"cfg"_s), path = folder + u"/settings.sqlite"_s;
    const QByteArray mountPoint = QFile::encodeName(folder);
    QDir().mkpath(folder);
    const bool own =
        g_ownMounts && mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=256k") == 0;
    SettingsStore(path).save(u"notes"_s, u"Bat"_s, u"Original."_s);
    QFile filler(folder + u"/filler"_s);
    const auto failing = [&](bool on) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{on && !own ? 0 : RLIM_INFINITY, RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        if (own && !full)
            QCOMPARE(mount(nullptr, mountPoint.constData(), nullptr,
                           MS_REMOUNT | (on ? MS_RDONLY : 0), "size=256k"),
                     0);
        // A full disk: a file takes all the room there is.
        for (bool room = own && full && on && filler.open(QIODevice::WriteOnly); room;)
            room = filler.write(QByteArray(4096, 'x')) > 0 && filler.flush();
        filler.close(); // what it could not write is dropped
        if (own && full && !on)
            QVERIFY(QFile::remove(filler.fileName()));
    };
    failing(true);
    for (int run = 0; run < 2; ++run) {
        m_store = std::make_unique<SettingsStore>(path);
        openMain();
        select(BatLow);
        auto *notes = get<QPlainTextEdit>("notes");
        QTRY_VERIFY(notes->isReadOnly() && get("storeproblem")->isVisible() &&
                    notes->toPlainText() == u"Original."_s);
        // Nor does an import: it is refused whole, saying why.
        testsupport::writeFile(m_dir->filePath(u"notes.csv"_s), "Bat,1,Imported.\r\n");
        platform::filetesting::queuePath(m_dir->filePath(u"notes.csv"_s));
        get<QAction>("mnuImportNotes")->trigger();
        QTRY_COMPARE(platform::messagetesting::shown().size(), 1);
        QVERIFY(takeShown()[0].prompt.contains(u"could not be imported: "_s));
        for (const bool writable : {false, run == 1}) {
            if (writable) { // room made, or the folder writable again, while it runs
                failing(false);
                QTRY_VERIFY(!notes->isReadOnly() && !get("storeproblem")->isVisible());
                QCOMPARE(notes->toPlainText(), u"Original."_s);
            }
            notes->moveCursor(QTextCursor::End);
            QTest::keyClicks(notes, u" More."_s);
        }
        delete m_window;
        m_store.reset();
    }
    QCOMPARE(SettingsStore(path).get(u"notes"_s, u"Bat"_s), u"Original. More."_s);
    if (own)
        QCOMPARE(umount2(mountPoint.constData(), MNT_DETACH), 0);
}

void TestWindows::copyTriggersPutTheValueOnTheClipboard()
{
    openMain();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(u"before"_s); // before any monster is shown a copy empties it
    QTest::mouseDClick(get("undeadlabel"), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QString());

    select(Crab);
    const QString rows = u"namelabel namea hplabel hp levellabel level explabel experience "
                         "lbljobexp jobexp lblsize size lbldef defense lblmdef mdefense "
                         "attacklabel attack undeadlabel undead treasurelabel treasure "
                         "arealabel area descriptionlabel description"_s;
    const QStringList names = rows.split(u' ');
    for (qsizetype i = 0; i < names.size(); i += 2) {
        auto *caption = m_window->findChild<QLabel *>(names[i]);
        auto *value = m_window->findChild<QLabel *>(names[i + 1]);
        // A screen reader names each value after its caption and reads the value with it.
        QCOMPARE(value->accessibleName() + u':', caption->text());
        const QString expected = value->accessibleDescription().replace(u'\n', u"\r\n"_s);
        for (QLabel *trigger : {caption, value}) {
            clipboard->setText(u"before"_s);
            if (trigger == get("hp"))
                QTest::mouseClick(trigger, Qt::LeftButton);
            else
                QTest::mouseDClick(trigger, Qt::LeftButton);
            QCOMPARE(clipboard->text(), expected);
        }
    }

    clipboard->setText(u"before"_s); // a single click copies only on the hit points
    for (const char *name : {"namea", "namelabel", "hplabel", "treasure", "display", "hint1"})
        QTest::mouseClick(get<QWidget>(name), Qt::LeftButton);
    QCOMPARE(clipboard->text(), u"before"_s);
}

void TestWindows::positionIsRestoredAndKeptWhenSavingIsOff()
{
    // Restoring does not ask "saveposition".
    m_store->save(u"settings"_s, u"saveposition"_s, u"0"_s);
    m_store->save(u"placement"_s, u"maintop"_s, u"300"_s);
    m_store->save(u"placement"_s, u"mainleft"_s, u"1800"_s);
    QCOMPARE(openMain()->pos(), QPoint(120, 20));

    // Off: the timer fills the default switches but stores no position, nor does closing.
    auto *timer = get<QTimer>("Timer1");
    timer->setInterval(5);
    m_window->move(40, 60);
    QSignalSpy ticks(timer, &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    for (const char16_t *key : {u"search", u"unavailable", u"progupdates", u"dbupdates"})
        QCOMPARE(stored(u"settings"_s, QString::fromUtf16(key)), u"1"_s);
    m_window->close();
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), u"300"_s);
    // On, the real program under a window manager saves it: see the desktop tests.
}

void TestWindows::minimumSizeAndMenus()
{
    MainWindow *window = openMain();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const char *parts[] = {"monstername", "notes", "descriptionscroll", "display", "hint1"};
    QList<QRect> before;
    for (const char *name : parts)
        before.append(get<QWidget>(name)->geometry());
    window->resize(300, 200);
    QTRY_VERIFY(window->frameGeometry().width() >= 447);
    QVERIFY(window->frameGeometry().height() >= 549);
    QVERIFY(window->centralWidget()->height() >= 497);
    // Larger: the list and the notes share the extra height and take a quarter of the extra
    // width; the record the rest, its description all the extra height below the picture,
    // which grows square in the frame's top right by a share of the height here.
    const QSize grown = window->centralWidget()->size() + QSize(100, 60);
    window->resize(window->size() + QSize(100, 60));
    QTRY_COMPARE(window->centralWidget()->size(), grown);
    const int listGrows = get<QWidget>(parts[0])->height() - before[0].height();
    QVERIFY(listGrows >= 29 && listGrows <= 31);
    const QList<QRect> expected = {
        before[0].adjusted(0, 0, 25, listGrows), before[1].adjusted(0, listGrows, 25, 60),
        before[2].adjusted(0, 21, 75, 60), get<QWidget>(parts[3])->geometry(),
        before[4].translated(25, 60).adjusted(0, 0, 75, 0)};
    QVERIFY(expected[3].width() == expected[3].height() && expected[3].width() > 73 && // square,
            expected[3].topRight() == before[3].topRight() + QPoint(75, 0)); // grown, top right
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(get<QWidget>(parts[i])->geometry(), expected[i]);

    // Exit closes. (Ctrl+S, the search and the update check run: the desktop and start-up
    // tests.)
    window->menuBar()->actions().last()->trigger(); // "&Exit"
    QTRY_VERIFY(!m_window);
}

// Beyond the mouse: Tab to any value and Ctrl+C, a context menu, the whole record at once,
// a word on what was copied; a description that scrolls; whole names in tooltips; and the
// next start on the monster shown last.
void TestWindows::keyboardCopyingAndDailyUse()
{
    MainWindow *window = openMain();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QClipboard *clipboard = QApplication::clipboard();
    select(Crab);
    get("namea")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), u"5,000"_s);
    QVERIFY(get("copystatus")->isVisible() && !get("hint1")->isVisible());
    QCOMPARE(get("copystatus")->text(), u"Copied to the clipboard: HP."_s);
    QTRY_VERIFY_WITH_TIMEOUT(get("hint1")->isVisible(), 5000);

    emit get("treasurelabel")->customContextMenuRequested(QPoint());
    auto *menu = window->findChild<QMenu *>();
    QVERIFY(menu && menu->actions().size() == 2);
    menu->actions()[0]->trigger();
    QCOMPARE(clipboard->text(), u"Crab, Giant f4"_s);
    menu->actions()[1]->trigger();
    const QStringList lines = clipboard->text().split(u"\r\n"_s);
    QCOMPARE(lines.size(), 14); // thirteen values, the description on two lines
    QCOMPARE(lines[0], u"Name: Crab, Giant"_s);
    QCOMPARE(lines[12], u"Description/Information: Lives in caves."_s);

    // A long description scrolls; a very long one shows its beginning and says so. A double
    // click still copies all of it.
    select(Wolf);
    auto *scroll = get<QScrollArea>("descriptionscroll");
    QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
    get("description")->setFocus();
    QTest::keyClick(get("description"), Qt::Key_PageDown);
    QVERIFY(scroll->verticalScrollBar()->value() > 0);
    QVERIFY(get("description")
                ->text()
                .endsWith(u"6,000 characters in all. Copying takes them all.]"_s));
    QTest::mouseDClick(get("description"), Qt::LeftButton);
    QCOMPARE(clipboard->text().count(u"Howls"_s), 300);

    // A name too long for the list shows whole as a tooltip; a short one has none.
    auto *list = get<QListView>("monstername");
    for (const int row : {int(Wolf), int(LongName)}) {
        const QRect item = list->visualRect(list->model()->index(row, 0));
        QHelpEvent help(QEvent::ToolTip, item.center(),
                        list->viewport()->mapToGlobal(item.center()));
        QApplication::sendEvent(list->viewport(), &help);
        QCOMPARE(QToolTip::text(),
                 row == LongName ? list->model()->index(row, 0).data().toString() : QString());
    }

    // The next start shows the monster shown last: this very entry of its name, kept as soon
    // as it is shown.
    select(BatHigh);
    QCOMPARE(stored(u"placement"_s, u"lastoccurrence"_s), u"1"_s);
    reopenMain();
    QCOMPARE(get("hp")->text(), u"20"_s);
    m_window->close();
    m_store->save(u"placement"_s, u"lastmonster"_s, u"Gone"_s); // no longer in the data
    reopenMain();
    QVERIFY(get("namea")->text().isEmpty());
}

// The list narrowed as the player types (Ctrl+E), entered by Down and whole again by Esc on
// the monster shown; Back and Forward by keys and mouse buttons; A to Z and a larger text
// kept for the next start, the window's least size growing no larger than the screen.
void TestWindows::filterOrderHistoryAndTextSize()
{
    MainWindow *window = openMain();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *list = get<QListView>("monstername");
    auto *filter = get<QLineEdit>("monsterfilter");
    const auto selectedRow = [list] {
        return list->selectionModel()->selectedRows().value(0).row();
    };
    select(Wolf);
    QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), u"BÂT"_s);
    QCOMPARE(list->model()->rowCount(), 2);
    QVERIFY(get("filtercount")->isVisible() && get("filtercount")->text() == u"2 of 6"_s);
    QVERIFY(get("namea")->text() == u"Wolf"_s && selectedRow() == -1); // still shown
    QTest::keyClick(filter, Qt::Key_Down); // into the list, on the first Bat
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(get("hp")->text(), u"20"_s);
    QTest::keyClick(list, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(filter, Qt::Key_Escape);
    QVERIFY(list->model()->rowCount() == 6 && !get("filtercount")->isVisible());
    QVERIFY(selectedRow() == BatHigh && QApplication::focusWidget() == list);

    window->showRow(Crab); // as a search shows one
    QStringList went;
    for (const auto &[key, button] : {std::pair{Qt::Key_Left, Qt::NoButton},
                                      {Qt::Key_Left, Qt::NoButton},
                                      {Qt::Key_unknown, Qt::BackButton},
                                      {Qt::Key_unknown, Qt::ForwardButton},
                                      {Qt::Key_Right, Qt::NoButton},
                                      {Qt::Key_Right, Qt::NoButton}}) {
        if (button != Qt::NoButton)
            QTest::mouseClick(get<QWidget>("descriptionscroll"), button);
        else
            QTest::keyClick(list, key, Qt::AltModifier);
        went.append(get("hp")->text());
    }
    QCOMPARE(went.join(u' '), u"20 10 30 10 20 5,000"_s);
    QTest::keyClick(list, Qt::Key_Left, Qt::AltModifier);
    select(TwoLines); // a new stop drops what lay ahead
    QVERIFY(selectedRow() == TwoLines && !get<QAction>("mnuForward")->isEnabled());

    get<QAction>("mnuAToZ")->trigger();
    const int listWidth = list->width();
    QTest::keyClick(list, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Equal, Qt::ControlModifier);
    for (int reopened = 0; reopened < 2; ++reopened) {
        QCOMPARE(list->model()->index(2, 0).data(), u"Crab, Giant"_s); // Bat, Bat, Crab
        QVERIFY(get("hp")->font().pointSizeF() > 9.75 && list->width() > listWidth * 5 / 4);
        const QSize least = m_window->minimumSize(), room = platform::room(m_window);
        QVERIFY(least.width() <= room.width() && least.height() <= room.height());
        window = reopenMain();
        list = get<QListView>("monstername");
    }
    get<QAction>("mnuNormalSize")->trigger();
    QCOMPARE(get("hp")->font().pointSizeF(), 8.25);
}

// A part of an area or a treasure is followed by a single click, or by Tab to it and Enter;
// a double click still copies the whole value and follows nothing.
void TestWindows::linksFollowByTheirOwnGesture()
{
    MainWindow *window = openMain();
    select(Crab); // areas "Crab, Giant f6": "Crab" and "Giant f6"
    QSignalSpy followed(window, &MainWindow::linkFollowed);
    auto *area = get("area");
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(3, 5));
    QCOMPARE(QApplication::clipboard()->text(), u"Crab, Giant f6"_s);
    QTest::mouseClick(area, Qt::LeftButton, {},
                      QPoint(area->fontMetrics().horizontalAdvance(u"Crab, G"_s), 5));
    QTRY_COMPARE(followed.size(), 1);
    get("treasure")->setFocus();
    QTest::keyClick(get("treasure"), Qt::Key_Tab);
    QTest::keyClick(get("treasure"), Qt::Key_Return);
    QCOMPARE(followed,
             (QList<QVariantList>{{QVariant::fromValue(MonsterRecord::Area), u"Giant f6"_s},
                                  {QVariant::fromValue(MonsterRecord::Treasure), u"Crab"_s}}));
}

// Notes out to a file and back: namesakes apart, a round trip changes nothing, a note for a
// monster not in the data is kept, a different note waits for the answer, and a file that
// is no notes file changes nothing.
void TestWindows::notesExportThenImport_data()
{
    QTest::addColumn<platform::Answer>("answer");
    QTest::addColumn<QString>("kept");
    QTest::newRow("replaced") << platform::Answer::Yes << u"older\r\nand wiser"_s;
    QTest::newRow("kept") << platform::Answer::No << u"changed"_s;
    QTest::newRow("all replaced") << platform::Answer::YesToAll << u"older\r\nand wiser"_s;
    QTest::newRow("all kept") << platform::Answer::NoToAll << u"changed"_s;
}

void TestWindows::notesExportThenImport()
{
    QFETCH(platform::Answer, answer);
    QFETCH(QString, kept);
    const QString file = m_dir->filePath(u"notes.csv"_s);
    for (const auto &[key, note] : {std::pair{u"Bat"_s, u"young"_s},
                                    {u"Bat\uFFFF2"_s, u"older\r\nand wiser"_s},
                                    {u"Crab, Giant"_s, u"pinches \"hard\""_s}})
        m_store->save(u"notes"_s, key, note);
    openMain();
    const auto transfer = [this](const char *command, const QString &path, qsizetype messages) {
        platform::filetesting::queuePath(path);
        get<QAction>(command)->trigger();
        (void)QTest::qWaitFor(
            [messages] { return platform::messagetesting::shown().size() >= messages; });
        return takeShown();
    };
    transfer("mnuExportNotes", file, 0);
    QTRY_COMPARE(get("copystatus")->text(), u"3 notes exported to notes.csv."_s);
    QCOMPARE(
        transfer("mnuImportNotes", file, 1).value(0).prompt,
        u"From notes.csv: 0 added, 0 replaced, 0 kept as you had them, 3 the same as yours."_s);

    select(BatHigh);
    get<QPlainTextEdit>("notes")->setPlainText(u"changed"_s);
    testsupport::writeFile(file, testsupport::readFile(file) + "Gone,1,far away\r\n");
    platform::messagetesting::queueAnswer(answer);
    const auto shown = transfer("mnuImportNotes", file, 2);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].buttons, platform::Buttons::YesNoToAll);
    QVERIFY(shown[0].prompt.startsWith(u"Your note on Bat (number 2 of that name) differs"_s));
    QVERIFY(shown[1].prompt.contains(u"1 added"_s) &&
            shown[1].prompt.contains(u"One added note is"_s));
    QCOMPARE(stored(u"notes"_s, u"Bat\uFFFF2"_s), kept);
    QCOMPARE(get<QPlainTextEdit>("notes")->toPlainText(), QString(kept).remove(u'\r'));
    QCOMPARE(stored(u"notes"_s, u"Gone"_s) + stored(u"notes"_s, u"Bat"_s), u"far awayyoung"_s);

    QVERIFY(transfer("mnuImportNotes", m_folder.path() + u"bat.bmp"_s, 1)
                .value(0)
                .prompt.contains(u"could not be imported: line 1: "_s));
    QCOMPARE(platform::filetesting::takeAsked().size(), 4);
}

// Each box shows its own key, empty keys filled with "1" and "2" the third state; only
// "Save Settings" stores, and an untouched third state stays.
void TestWindows::optionsLoadAndSaveOnlyOnSave()
{
    const std::pair<const char *, QString> boxes[] = {{"progupdates", u"progupdates"_s},
                                                      {"dbupdates", u"dbupdates"_s},
                                                      {"saveposition", u"saveposition"_s},
                                                      {"searcha", u"search"_s},
                                                      {"unavailable", u"unavailable"_s}};
    for (const auto &[name, key] : boxes) {
        m_store->save(u"settings"_s, key, u"0"_s);
        OptionsWindow options(*m_store);
        for (const auto &[other, otherKey] : boxes) {
            QCOMPARE(child<QCheckBox>(&options, other)->checkState(),
                     other == name ? Qt::Unchecked : Qt::Checked);
            QCOMPARE(stored(u"settings"_s, otherKey), other == name ? u"0"_s : u"1"_s);
        }
        m_store->save(u"settings"_s, key, u"1"_s);
    }

    m_store->save(u"settings"_s, u"unavailable"_s, u"2"_s);
    for (const char *ending : {"cancel", "close box", "done"}) {
        auto *options = new OptionsWindow(*m_store);
        QSignalSpy saved(options, &OptionsWindow::saved);
        QSignalSpy cancelled(options, &OptionsWindow::cancelled);
        options->show();
        QCOMPARE(child<QCheckBox>(options, "unavailable")->checkState(), Qt::PartiallyChecked);
        child<QCheckBox>(options, "dbupdates")->click();
        if (ending == QByteArray("close box"))
            options->close();
        else
            QTest::mouseClick(child<QPushButton>(options, ending), Qt::LeftButton);
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        const bool done = ending == QByteArray("done");
        QCOMPARE(saved.count(), int(done));
        QCOMPARE(cancelled.count(), int(ending == QByteArray("cancel")));
        QCOMPARE(stored(u"settings"_s, u"dbupdates"_s), done ? u"0"_s : u"1"_s);
    }
    QCOMPARE(stored(u"settings"_s, u"unavailable"_s), u"2"_s);
}

FeedbackWindow *TestWindows::openFeedback(const QString &url)
{
    auto *form = new FeedbackWindow(*m_store, url, TransferPolicy());
    form->show();
    m_window = form;
    return form;
}

void TestWindows::send(const QString &message, const QString &name, const QString &address)
{
    get<QPlainTextEdit>("feedback")->setPlainText(message);
    get<QLineEdit>("aname")->setText(name);
    get<QLineEdit>("email")->setText(address);
    QTest::mouseClick(get<QPushButton>("sendform"), Qt::LeftButton);
}

void TestWindows::feedbackScriptReceivesExactlyWhatWasTyped_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sentMessage"); // what the script reads after decoding
    QTest::newRow("two lines") << u"a\nb"_s << u"Ann"_s << u"a¿b"_s;
    QTest::newRow("query characters")
        << u"x=1&y=2 #3 50% +"_s << u"Tom & Jerry=friends"_s << u"x=1&y=2 #3 50% +"_s;
    QTest::newRow("non-ASCII") << u"Ogre’s cave — é"_s << u"Zoë"_s << u"Ogre’s cave — é"_s;
    QTest::newRow("empty fields") << QString() << QString() << QString();
    // A noncharacter is sent as its UTF-8 bytes like any other (found by fuzzing, where a
    // decoder had turned it into U+FFFD).
    QTest::newRow("noncharacter") << u"a\uFFFFb"_s << u"\uFDD0"_s << u"a\uFFFFb"_s;
}

void TestWindows::feedbackScriptReceivesExactlyWhatWasTyped()
{
    QFETCH(QString, message);
    QFETCH(QString, name);
    QFETCH(QString, sentMessage);
    m_store->save(u"feedback"_s, u"sendername"_s, u"Old Name"_s);
    m_server->setBody(u"/send1.php"_s, "thanks");
    openFeedback(m_server->urlText(u"/send1.php"_s));
    QCOMPARE(get<QLineEdit>("aname")->text(), u"Old Name"_s);
    send(message, name, u"a+b@x.example"_s);
    QTRY_VERIFY(!m_window);
    QCOMPARE(shownTitles(), QStringList{u"Feedback Received"_s});

    const QByteArray target = m_server->requestTargets().value(0);
    QVERIFY(target.startsWith("/send1.php?message="));
    // The bytes the script reads, key by key.
    QList<QByteArray> items;
    for (const QByteArray &item : target.mid(target.indexOf('?') + 1).split('&'))
        items += item.split('=').value(0) + '=' +
                 QByteArray::fromPercentEncoding(item.mid(item.indexOf('=') + 1));
    QCOMPARE(items, (QList<QByteArray>{"message=" + sentMessage.toUtf8(), "name=" + name.toUtf8(),
                                       "email=a+b@x.example"}));
    // The next form offers the name and address last sent, and no message.
    openFeedback(m_server->urlText(u"/send1.php"_s));
    QCOMPARE(get<QLineEdit>("aname")->text(), name);
    QCOMPARE(get<QLineEdit>("email")->text(), u"a+b@x.example"_s);
    QVERIFY(get<QPlainTextEdit>("feedback")->toPlainText().isEmpty());
}

void TestWindows::feedbackFailuresKeepTheFormAndItsTexts_data()
{
    QTest::addColumn<int>("status"); // 0: nothing listens
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("reason"); // said after the text
    QTest::newRow("empty body") << 200 << QByteArray() << u"the server's answer was empty"_s;
    QTest::newRow("server error page") << 500 << QByteArray("<html>oops</html>")
                                       << u"the server answered 500 Internal Server Error"_s;
    QTest::newRow("refused") << 0 << QByteArray() << u"the server refused the connection"_s;
}

void TestWindows::feedbackFailuresKeepTheFormAndItsTexts()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, reason);
    TestServer::Reply reply;
    reply.status = status;
    reply.body = body;
    m_server->setReply(u"/send1.php"_s, reply);
    openFeedback(status ? m_server->urlText(u"/send1.php"_s)
                        : TestServer::refusedUrl(u"/send1.php"_s).toString());
    send(u"line one\nline two"_s, u"Ann"_s, u"ann@x.example"_s);
    QVERIFY(!get<QPushButton>("sendform")->isEnabled());
    QTRY_COMPARE(platform::messagetesting::shown().size(), 1);
    QCOMPARE(platform::messagetesting::takeShown().value(0).prompt,
             u"There was an error while trying to process your feedback form submission. Please "
             "try again later.\r\n\r\nReason: %1."_s.arg(reason));
    QCOMPARE(get("Label99")->text(), u"Error"_s);
    QVERIFY(get<QPushButton>("sendform")->isEnabled());
    QCOMPARE(get<QPlainTextEdit>("feedback")->toPlainText(), u"line one\nline two"_s);
    QCOMPARE(stored(u"feedback"_s, u"sendername"_s), u"Ann"_s);
}

// Too long, a message is not sent and stays; closed during the wait, the form is gone with
// its transfer and says nothing.
void TestWindows::feedbackTooLongOrClosedDuringTheWait()
{
    m_server->setReply(u"/send1.php"_s, {.body = "thanks", .delayMs = 300});
    FeedbackWindow *form = openFeedback(m_server->urlText(u"/send1.php"_s));
    const QString message = u"é"_s.repeated(3000);
    send(message, u"Ann"_s, QString());
    QCOMPARE(shownTitles(), QStringList{u"Feedback Form"_s});
    QCOMPARE(get<QPlainTextEdit>("feedback")->toPlainText(), message);
    QCOMPARE(m_server->hits(u"/send1.php"_s), 0);
    send(u"hello"_s, u"Ann"_s, QString());
    QTRY_COMPARE(m_server->hits(u"/send1.php"_s), 1);
    form->close();
    // Gone with its transfer control: no answer can reach it any more.
    QTRY_VERIFY(!m_window);
    QCOMPARE(shownTitles(), QStringList());
}

void TestWindows::aboutShowsVersionsAndClosesEveryWay()
{
    for (const bool version : {false, true}) { // OK with a version, the close box without
        if (version)
            testsupport::writeFile(m_folder.versionFile(), "\"2026.1206\"\r\n");
        auto *about = new AboutWindow(Endpoints::defaults(), m_folder);
        about->show();
        m_window = about;
        QCOMPARE(get("lblTitle")->text(), u"Norvalen English Beta Monster Database"_s);
        QCOMPARE(get("lblVersion")->text(), u"Progam Version v.1.7 Build #4034 Beta"_s);
        QCOMPARE(get("dbverlabel")->text(),
                 u"Database Version v."_s + (version ? u"2026.1206"_s : u""_s));
        if (version)
            QTest::mouseClick(get<QPushButton>("cmdOK"), Qt::LeftButton);
        else
            about->close();
        QTRY_VERIFY(!m_window);
    }
}

// Links open in the browser, the system information tool is found in the registry or on
// the PATH; when neither can be started the user is told.
void TestWindows::aboutStartsTheBrowserAndSystemInformation()
{
    const Endpoints e = Endpoints::defaults();
    AboutWindow about(e, m_folder);
    // A page, a mirror, a channel: each label opens its own address.
    const std::pair<const char *, QString> links[] = {{"Label22", e.resourcePageUrl},
                                                      {"mirror3", e.partnerSiteUrl4},
                                                      {"Label23", e.ircChannelUrl}};
    for (const auto &[name, url] : links) {
        QTest::mouseClick(child<QLabel>(&about, name), Qt::LeftButton);
        const platform::launchtesting::Launch opened{e.browserPath, {url}};
        QCOMPARE(takeLaunched(), QList{opened});
    }
    QTest::mouseClick(child<QLabel>(&about, "oldsite"), Qt::LeftButton);
    QCOMPARE(takeLaunched().size(), 0);
    platform::launchtesting::failNext(); // no browser: said so
    QTest::mouseClick(child<QLabel>(&about, "gotosite"), Qt::LeftButton);
    QCOMPARE(shownTitles(), QStringList{u"Norvalen English Beta Monster Database"_s});
    takeLaunched(); // the attempt

    auto memory = std::make_unique<MemoryBackend>();
    MemoryBackend *registry = memory.get();
    const char *key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    registry->setValue(key, "PATH", REG_SZ, QByteArray("C:\\msinfo32", 12)); // terminated
    registry->setValue(key, "Count", REG_DWORD, QByteArray("\x02\x01\x00\x00", 4));
    setBackend(std::move(memory));
    const std::tuple<QString, bool, QString> rows[] = {{u"PATH"_s, true, u"C:\\msinfo32"_s},
                                                       {u"Count"_s, true, u"258"_s},
                                                       {u"None"_s, false, QString()}};
    for (const auto &[value, read, text] : rows) {
        QString result = u"as passed"_s;
        QCOMPARE(
            AboutWindow::GetKeyValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(key), value, result),
            read);
        QCOMPARE(result, text);
    }
    QCOMPARE(registry->openKeys(), 0); // every opened key is closed again
    about.StartSysInfo();
    QCOMPARE(takeLaunched().value(0).program, u"C:\\msinfo32"_s);

    // No registry and no tool on the PATH: the user is told.
    setBackend(nullptr);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir->path().toLocal8Bit());
    about.StartSysInfo();
    qputenv("PATH", path);
    QCOMPARE(takeLaunched().size(), 0);
    QCOMPARE(platform::messagetesting::takeShown().value(0).prompt,
             u"System Information Is Unavailable At This Time"_s);
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
