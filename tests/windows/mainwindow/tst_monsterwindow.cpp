#include "monsterwindow.h"
#include "windowtest.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using platform::messagetesting::takeShown;

namespace {

// The records of the test database, in file order.
enum Row { BatLow, Crab, BatHigh, TwoLines, Wolf };

QStringList fields(const QString &name, const QString &hp, const QString &picture)
{
    QStringList f = testsupport::record(name, picture);
    f[1] = hp;
    return f;
}

} // namespace

class TestMonsterWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init();
    void cleanup() { closeAllWindows(); }

    void selectionShowsTheEntrysOwnRecord();
    void notesFollowTheSelection();
    void copyTriggersPutTheValueOnTheClipboard();
    void positionIsRestoredAndSaved();
    void minimumSizeMenusAndExit();
    void failuresAreReportedAndTheProgramGoesOn();

private:
    MonsterWindow *open() { return MonsterWindow::showWindow(m_context); }
    template <typename T = QLabel> T *get(const char *name)
    {
        return child<T>(MonsterWindow::instance(), name);
    }
    void select(int row) { get<QListWidget>("monstername")->setCurrentRow(row); }
    void reopen()
    {
        MonsterWindow::instance()->close();
        QTRY_VERIFY(!MonsterWindow::instance());
        open();
    }
};

void TestMonsterWindow::init()
{
    QStringList crab = fields(u"Crab¡ Giant"_s, u"5¡000"_s, u"pics\\crab.jpg"_s);
    crab[MonsterRecord::Description] = u"Lives in caves.¿Flees at night."_s;
    freshContext({fields(u"Bat"_s, u"10"_s, u"bat.bmp"_s), crab,
                  fields(u"Bat"_s, u"20"_s, u"missing.gif"_s),
                  fields(u"Two¿Lines"_s, u"2"_s, u"two.ico"_s), fields(u"Wolf"_s, u"30"_s, {})});
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QDir().mkpath(m_context.dataFolder.path() + u"pics"_s);
    for (const char *name : {"bat.bmp", "pics/crab.jpg", "two.ico"})
        QVERIFY(picture.save(m_context.dataFolder.path() + QString::fromLatin1(name)));
}

void TestMonsterWindow::selectionShowsTheEntrysOwnRecord()
{
    open();
    QCOMPARE(get<QListWidget>("monstername")->item(Crab)->text(), u"Crab, Giant"_s);
    QVERIFY(get("namea")->text().isEmpty()); // nothing is selected at first

    select(Crab);
    QCOMPARE(get<QGroupBox>("monsterframe")->title(), u"Crab, Giant"_s);
    QCOMPARE(get("namea")->text(), u"Crab, Giant"_s);
    QCOMPARE(get("hp")->text(), u"5,000"_s);
    QCOMPARE(get("description")->text(), u"Lives in caves.\nFlees at night."_s);
    const std::pair<const char *, int> labels[] = {
        {"level", 2},  {"experience", 3}, {"treasure", 4}, {"area", 6},     {"attack", 7},
        {"undead", 8}, {"jobexp", 10},    {"size", 11},    {"defense", 12}, {"mdefense", 13}};
    for (const auto &[name, field] : labels)
        QCOMPARE(get(name)->text(), u"Crab, Giant f"_s + QString::number(field));
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
    select(Wolf);
    QVERIFY(get("display")->pixmap().isNull());
}

void TestMonsterWindow::notesFollowTheSelection()
{
    open();
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
    select(BatHigh);                                    // notes are keyed by the name shown
    QCOMPARE(notes->toPlainText(), u"drops cards\nat night"_s);

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

    // Notes outlive the window and the store's connection.
    MonsterWindow::instance()->close();
    QTRY_VERIFY(!MonsterWindow::instance());
    m_store = std::make_unique<SettingsStore>(m_store->filePath());
    m_context.store = m_store.get();
    open();
    select(Crab);
    QCOMPARE(get<QPlainTextEdit>("notes")->toPlainText(), u"pinches"_s);
}

void TestMonsterWindow::copyTriggersPutTheValueOnTheClipboard()
{
    open();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(u"before"_s); // before any monster is shown a copy empties it
    QTest::mouseDClick(get("undeadlabel"), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QString());

    select(Crab);
    const std::pair<const char *, const char *> rows[] = {{"namelabel", "namea"},
                                                          {"hplabel", "hp"},
                                                          {"levellabel", "level"},
                                                          {"explabel", "experience"},
                                                          {"lbljobexp", "jobexp"},
                                                          {"lblsize", "size"},
                                                          {"lbldef", "defense"},
                                                          {"lblmdef", "mdefense"},
                                                          {"attacklabel", "attack"},
                                                          {"undeadlabel", "undead"},
                                                          {"treasurelabel", "treasure"},
                                                          {"arealabel", "area"},
                                                          {"descriptionlabel", "description"}};
    for (const auto &[caption, value] : rows) {
        const QString expected = get(value)->text().replace(u'\n', u"\r\n"_s);
        for (QLabel *trigger : {get(caption), get(value)}) {
            clipboard->setText(u"before"_s);
            if (trigger == get("hp"))
                QTest::mouseClick(trigger, Qt::LeftButton);
            else
                QTest::mouseDClick(trigger, Qt::LeftButton);
            QCOMPARE(clipboard->text(), expected);
        }
    }
    QCOMPARE(clipboard->text(), u"Lives in caves.\r\nFlees at night."_s);

    clipboard->setText(u"before"_s); // a single click copies only on the hit points
    for (const char *name : {"namea", "namelabel", "hplabel", "treasure", "display", "hint1"})
        QTest::mouseClick(get<QWidget>(name), Qt::LeftButton);
    QCOMPARE(clipboard->text(), u"before"_s);
}

void TestMonsterWindow::positionIsRestoredAndSaved()
{
    // Restoring does not ask "saveposition"; text that is not a number is ignored.
    m_store->save(u"settings"_s, u"saveposition"_s, u"0"_s);
    const QPoint unplaced = open()->pos();
    m_store->save(u"placement"_s, u"maintop"_s, u"top"_s);
    m_store->save(u"placement"_s, u"mainleft"_s, u"1800"_s);
    reopen();
    QCOMPARE(MonsterWindow::instance()->pos(), unplaced);
    m_store->save(u"placement"_s, u"maintop"_s, u"1500"_s);
    reopen();
    QCOMPARE(MonsterWindow::instance()->pos(), QPoint(120, 100));

    // Off: the timer fills the default switches but stores no position, nor does closing.
    auto *timer = get<QTimer>("Timer1");
    QCOMPARE(timer->interval(), 5000);
    timer->setInterval(5);
    MonsterWindow::instance()->move(40, 60);
    QSignalSpy ticks(timer, &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    for (const char16_t *key : {u"search", u"unavailable", u"progupdates", u"dbupdates"})
        QCOMPARE(stored(u"settings"_s, QString::fromUtf16(key)), u"1"_s);
    reopen();
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), u"1500"_s);

    // On: the next tick stores both edges in twips, and so does closing.
    m_store->save(u"settings"_s, u"saveposition"_s, u"1"_s);
    get<QTimer>("Timer1")->setInterval(5);
    MonsterWindow::instance()->move(40, 60);
    QTRY_COMPARE(stored(u"placement"_s, u"maintop"_s), u"900"_s);
    QCOMPARE(stored(u"placement"_s, u"mainleft"_s), u"600"_s);
    get<QTimer>("Timer1")->stop();
    MonsterWindow::instance()->move(30, 45);
    MonsterWindow::instance()->close();
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), u"675"_s);
}

void TestMonsterWindow::minimumSizeMenusAndExit()
{
    MonsterWindow *window = open();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->windowTitle(), u"Norvalen English Beta Monster Database Beta"_s);
    const QRect list = get<QWidget>("monstername")->geometry();
    window->resize(300, 200);
    QTRY_VERIFY(window->frameGeometry().width() >= 447);
    QVERIFY(window->frameGeometry().height() >= 549);
    QVERIFY(window->centralWidget()->height() >= 497);
    window->resize(900, 800); // enlarging adds space; nothing moves or grows
    QTRY_COMPARE(window->size(), QSize(900, 800));
    QCOMPARE(get<QWidget>("monstername")->geometry(), list);

    const QList<QAction *> bar = window->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar[0]->text(), u"&Controls"_s);
    QCOMPARE(bar[0]->menu()->actions().size(), 4);
    QVERIFY(!get<QAction>("mnuSearch")->isEnabled());
    QCOMPARE(get<QAction>("mnuSearch")->shortcut(), QKeySequence(u"Ctrl+S"_s));

    // Ctrl+S does nothing; the list and then the notes box take the focus.
    auto *names = get<QListWidget>("monstername");
    names->setFocus();
    QTest::keyClick(names, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), names);
    QTest::keyClick(names, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), get<QWidget>("notes"));

    bar[2]->trigger(); // "&Exit"
    QTRY_VERIFY(!MonsterWindow::instance());
}

void TestMonsterWindow::failuresAreReportedAndTheProgramGoesOn()
{
    // A missing data file: said so, and an empty list.
    QVERIFY(QFile::remove(m_context.dataFolder.path() + u"cml.nmd"_s));
    open();
    QVERIFY(takeShown().value(0).prompt.contains(u"cml.nmd"_s));
    QCOMPARE(get<QListWidget>("monstername")->count(), 0);

    // A store that cannot be written: said once, and the note stays in its box.
    MonsterWindow::instance()->close();
    QTRY_VERIFY(!MonsterWindow::instance());
    freshContext({testsupport::record(u"Wolf"_s)});
    testsupport::writeFile(m_dir->filePath(u"blocked"_s), "a file, not a folder");
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(u"blocked/settings.sqlite"_s));
    m_store->setFailureHandler(platform::showStoreFailure);
    m_context.store = m_store.get();
    open();
    select(0);
    QTest::keyClicks(get<QPlainTextEdit>("notes"), u"kept"_s);
    QTRY_COMPARE(platform::messagetesting::shown().size(), 1);
    QVERIFY(takeShown().first().prompt.contains(u"blocked"_s));
    QTest::keyClicks(get<QPlainTextEdit>("notes"), u" here"_s);
    QCOMPARE(get<QPlainTextEdit>("notes")->toPlainText(), u"kept here"_s);
    QCoreApplication::processEvents();
    QCOMPARE(takeShown().size(), 0);
}

QTEST_MAIN(TestMonsterWindow)
#include "tst_monsterwindow.moc"
