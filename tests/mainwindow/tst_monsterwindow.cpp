#include "../testsupport.h"
#include "mainwindow/monsterwindow.h"
#include "platform/messagebox.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
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

class TestMonsterWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void selectionFillsEveryLabelAndPicture();
    void duplicateNamesShowTheirOwnRecord();
    void notesFollowTheSelection();
    void notesSurviveARestart();
    void notesTakeNoInputBeforeAMonsterIsShown();
    void copyTriggersPutTheValueOnTheClipboard();
    void positionIsRestored();
    void positionIsSavedByTheTimerWhenSwitchedOn();
    void positionIsSavedOnCloseWhenSwitchedOn();
    void windowCannotShrinkBelowItsMinimum();
    void menusAndShortcuts();
    void exitEndsTheWindow();
    void missingDataFileIsReportedAndListIsEmpty();
    void storeFailureIsReportedOnceAndNoteStays();

private:
    MonsterWindow *open();
    template <typename T = QLabel> T *child(const char *name)
    {
        T *widget = MonsterWindow::instance()->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void select(int row) { child<QListWidget>("monstername")->setCurrentRow(row); }
    QString stored(const QString &section, const QString &key)
    {
        return m_store->get(section, key);
    }
    void closeWindow();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    AppContext m_context;
};

void TestMonsterWindow::initTestCase()
{
    platform::messagetesting::enable();
    testsupport::quietOffscreenWarnings();
}

void TestMonsterWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString data = m_dir->filePath(u"data/"_s);
    QStringList crab = fields(u"Crab¡ Giant"_s, u"5¡000"_s, u"pics\\crab.jpg"_s);
    crab[MonsterRecord::Description] = u"Lives in caves.¿Flees at night."_s;
    testsupport::writeFile(data + u"cml.nmd"_s, testsupport::dataFile({
                                                    fields(u"Bat"_s, u"10"_s, u"bat.bmp"_s),
                                                    crab,
                                                    fields(u"Bat"_s, u"20"_s, u"missing.gif"_s),
                                                    fields(u"Two¿Lines"_s, u"2"_s, u"two.ico"_s),
                                                    fields(u"Wolf"_s, u"30"_s, QString()),
                                                }));
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QDir().mkpath(data + u"pics"_s);
    QVERIFY(picture.save(data + u"bat.bmp"_s));
    QVERIFY(picture.save(data + u"pics/crab.jpg"_s));
    QVERIFY(picture.save(data + u"two.ico"_s));

    m_store = std::make_unique<SettingsStore>(m_dir->filePath(u"config/settings.sqlite"_s));
    m_context = AppContext{m_store.get(), data};
    QApplication::clipboard()->clear();
    takeShown();
}

void TestMonsterWindow::cleanup()
{
    closeWindow();
    QCOMPARE(takeShown().size(), 0);
}

MonsterWindow *TestMonsterWindow::open()
{
    MonsterWindow *window = MonsterWindow::showWindow(m_context);
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("window not exposed");
    return window;
}

void TestMonsterWindow::closeWindow()
{
    if (MonsterWindow *window = MonsterWindow::instance()) {
        window->close();
        QTRY_VERIFY(!MonsterWindow::instance());
    }
}

void TestMonsterWindow::selectionFillsEveryLabelAndPicture()
{
    open();
    QCOMPARE(child<QListWidget>("monstername")->count(), 5);
    QCOMPARE(child<QListWidget>("monstername")->item(Crab)->text(), u"Crab, Giant"_s);
    QVERIFY(child("namea")->text().isEmpty());
    QVERIFY(child("display")->pixmap().isNull());

    select(Crab);
    QCOMPARE(child<QGroupBox>("monsterframe")->title(), u"Crab, Giant"_s);
    QCOMPARE(child("namea")->text(), u"Crab, Giant"_s);
    QCOMPARE(child("hp")->text(), u"5,000"_s);
    QCOMPARE(child("description")->text(), u"Lives in caves.\nFlees at night."_s);
    const std::pair<const char *, int> labels[] = {
        {"level", 2},  {"experience", 3}, {"treasure", 4}, {"area", 6},     {"attack", 7},
        {"undead", 8}, {"jobexp", 10},    {"size", 11},    {"defense", 12}, {"mdefense", 13},
    };
    for (const auto &[name, field] : labels)
        QCOMPARE(child(name)->text(), u"Crab, Giant f"_s + QString::number(field));
    // The picture is named Windows-style, in a subfolder.
    QVERIFY(!child("display")->pixmap().isNull());

    // A missing picture shows none; the labels after it are still set.
    select(BatHigh);
    QVERIFY(child("display")->pixmap().isNull());
    QCOMPARE(child("mdefense")->text(), u"Bat f13"_s);

    select(TwoLines);
    QVERIFY(!child("display")->pixmap().isNull());
    QCOMPARE(child("namea")->text(), u"Two\nLines"_s);
    QCOMPARE(child<QGroupBox>("monsterframe")->title(), u"Two¿Lines"_s);

    select(Wolf); // no picture named
    QVERIFY(child("display")->pixmap().isNull());
    QCOMPARE(child("size")->text(), u"Wolf f11"_s);
}

void TestMonsterWindow::duplicateNamesShowTheirOwnRecord()
{
    open();
    select(BatLow);
    QCOMPARE(child("hp")->text(), u"10"_s);
    select(BatHigh);
    QCOMPARE(child("hp")->text(), u"20"_s);
    select(BatLow);
    QCOMPARE(child("hp")->text(), u"10"_s);
    QVERIFY(!child("display")->pixmap().isNull());
}

void TestMonsterWindow::notesFollowTheSelection()
{
    open();
    auto *notes = child<QPlainTextEdit>("notes");
    select(BatLow);
    notes->setFocus();
    QTest::keyClicks(notes, u"drops cards"_s);
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), u"drops cards"_s);

    select(Wolf);
    QVERIFY(notes->toPlainText().isEmpty());
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), u"drops cards"_s);
    QCOMPARE(stored(u"notes"_s, u"Wolf"_s), QString()); // showing a note writes nothing

    // Notes are keyed by the name shown, so both Bat entries share one.
    select(BatHigh);
    QCOMPARE(notes->toPlainText(), u"drops cards"_s);

    // Line breaks are stored as CR LF and shown back unchanged.
    notes->moveCursor(QTextCursor::End);
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClicks(notes, u"at night"_s);
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), u"drops cards\r\nat night"_s);
    select(Crab);
    QTest::keyClicks(notes, u"pinches"_s);
    QCOMPARE(stored(u"notes"_s, u"Crab, Giant"_s), u"pinches"_s);
    select(TwoLines);
    QTest::keyClicks(notes, u"x"_s);
    QCOMPARE(stored(u"notes"_s, u"Two\r\nLines"_s), u"x"_s);
    select(BatLow);
    QCOMPARE(notes->toPlainText(), u"drops cards\nat night"_s);

    // Emptying a note stores the empty text.
    notes->selectAll();
    QTest::keyClick(notes, Qt::Key_Delete);
    QCOMPARE(stored(u"notes"_s, u"Bat"_s), QString());
    QCOMPARE(stored(u"notes"_s, u"Crab, Giant"_s), u"pinches"_s);
}

void TestMonsterWindow::notesSurviveARestart()
{
    open();
    select(Wolf);
    QTest::keyClicks(child<QPlainTextEdit>("notes"), u"howls"_s);
    closeWindow();

    m_store = std::make_unique<SettingsStore>(m_store->filePath());
    m_context.store = m_store.get();
    open();
    select(Wolf);
    QCOMPARE(child<QPlainTextEdit>("notes")->toPlainText(), u"howls"_s);
}

void TestMonsterWindow::notesTakeNoInputBeforeAMonsterIsShown()
{
    open();
    auto *notes = child<QPlainTextEdit>("notes");
    notes->setFocus();
    QTest::keyClicks(notes, u"orphan"_s);
    QVERIFY(notes->toPlainText().isEmpty());
    QCOMPARE(stored(u"notes"_s, QString()), QString());
    select(Wolf);
    QTest::keyClicks(notes, u"ok"_s);
    QCOMPARE(notes->toPlainText(), u"ok"_s);
}

void TestMonsterWindow::copyTriggersPutTheValueOnTheClipboard()
{
    open();
    QClipboard *clipboard = QApplication::clipboard();
    // Before any monster is shown a copy empties the clipboard.
    clipboard->setText(u"before"_s);
    QTest::mouseDClick(child("undeadlabel"), Qt::LeftButton);
    QCOMPARE(clipboard->text(), QString());

    select(Crab);
    const std::pair<const char *, const char *> rows[] = {
        {"namelabel", "namea"},
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
        {"descriptionlabel", "description"},
    };
    for (const auto &[caption, value] : rows) {
        const QString expected = child(value)->text().replace(u'\n', u"\r\n"_s);
        QVERIFY(!expected.isEmpty());
        clipboard->setText(u"before"_s);
        QTest::mouseDClick(child(caption), Qt::LeftButton);
        QCOMPARE(clipboard->text(), expected);

        clipboard->setText(u"before"_s);
        if (QByteArrayView(value) == "hp")
            QTest::mouseClick(child(value), Qt::LeftButton);
        else
            QTest::mouseDClick(child(value), Qt::LeftButton);
        QCOMPARE(clipboard->text(), expected);
    }
    QCOMPARE(clipboard->text(), u"Lives in caves.\r\nFlees at night."_s);

    // A single click copies only on the hit points.
    clipboard->setText(u"before"_s);
    for (const char *name : {"namea", "namelabel", "hplabel", "treasure", "display", "hint1"})
        QTest::mouseClick(child<QWidget>(name), Qt::LeftButton);
    QCOMPARE(clipboard->text(), u"before"_s);
}

void TestMonsterWindow::positionIsRestored()
{
    // Restoring does not ask "saveposition"; text that is not a number is ignored.
    m_store->save(u"settings"_s, u"saveposition"_s, u"0"_s);
    const QPoint unplaced = open()->pos();
    closeWindow();
    m_store->save(u"placement"_s, u"maintop"_s, u"top"_s);
    m_store->save(u"placement"_s, u"mainleft"_s, u"1800"_s);
    QCOMPARE(open()->pos(), unplaced);
    closeWindow();
    m_store->save(u"placement"_s, u"maintop"_s, u"1500"_s);
    QCOMPARE(open()->pos(), QPoint(120, 100));
}

void TestMonsterWindow::positionIsSavedByTheTimerWhenSwitchedOn()
{
    m_store->save(u"settings"_s, u"saveposition"_s, u"0"_s);
    MonsterWindow *window = open();
    auto *timer = window->findChild<QTimer *>(u"Timer1"_s);
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 5000);
    timer->setInterval(5);

    // Off: the timer fills the default switches but stores no position.
    window->move(40, 60);
    QTRY_COMPARE(stored(u"settings"_s, u"search"_s), u"1"_s);
    for (const char16_t *key : {u"unavailable", u"progupdates", u"dbupdates"})
        QCOMPARE(stored(u"settings"_s, QString::fromUtf16(key)), u"1"_s);
    QCOMPARE(stored(u"settings"_s, u"saveposition"_s), u"0"_s);
    QSignalSpy ticks(timer, &QTimer::timeout);
    QTRY_VERIFY(ticks.count() >= 3);
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), QString());

    // On: the next tick stores both edges in twips.
    m_store->save(u"settings"_s, u"saveposition"_s, u"1"_s);
    QTRY_COMPARE(stored(u"placement"_s, u"maintop"_s), u"900"_s);
    QCOMPARE(stored(u"placement"_s, u"mainleft"_s), u"600"_s);
}

void TestMonsterWindow::positionIsSavedOnCloseWhenSwitchedOn()
{
    m_store->save(u"settings"_s, u"saveposition"_s, u"1"_s);
    open()->move(30, 45);
    closeWindow(); // long before the timer's first tick
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), u"675"_s);
    QCOMPARE(stored(u"placement"_s, u"mainleft"_s), u"450"_s);

    m_store->save(u"settings"_s, u"saveposition"_s, u"0"_s);
    open()->move(60, 90);
    closeWindow();
    QCOMPARE(stored(u"placement"_s, u"maintop"_s), u"675"_s);
}

void TestMonsterWindow::windowCannotShrinkBelowItsMinimum()
{
    MonsterWindow *window = open();
    const QRect listGeometry = child<QWidget>("monstername")->geometry();
    window->resize(300, 200);
    QTRY_VERIFY(window->frameGeometry().width() >= 447);
    QVERIFY(window->frameGeometry().height() >= 549);
    // The whole layout stays visible.
    QVERIFY(window->centralWidget()->height() >= 497);
    QVERIFY(window->centralWidget()->width() >= 441);

    // Enlarging adds space; nothing moves or grows.
    window->resize(900, 800);
    QTRY_COMPARE(window->size(), QSize(900, 800));
    QCOMPARE(child<QWidget>("monstername")->geometry(), listGeometry);

    window->showMinimized();
    QTRY_VERIFY(window->isMinimized());
}

void TestMonsterWindow::menusAndShortcuts()
{
    MonsterWindow *window = open();
    QCOMPARE(window->windowTitle(), u"Norvalen English Beta Monster Database Beta"_s);
    struct Item
    {
        const char *name;
        const char *caption;
        QKeySequence shortcut;
        bool enabled;
    };
    const Item items[] = {
        {"mnuSearch", "&Search...", QKeySequence(u"Ctrl+S"_s), false},
        {"mnuOptions", "&Options...", QKeySequence(u"Ctrl+O"_s), true},
        {"mnuUpdate", "Check for &Updates Now", QKeySequence(u"Ctrl+U"_s), true},
        {"mnuReport", "&Feedback Form...", QKeySequence(u"Ctrl+F"_s), true},
        {"about", "&About...", QKeySequence(), true},
        {"mnuExit", "&Exit", QKeySequence(), true},
    };
    for (const Item &item : items) {
        auto *action = child<QAction>(item.name);
        QCOMPARE(action->text(), QString::fromLatin1(item.caption));
        QCOMPARE(action->shortcut(), item.shortcut);
        QCOMPARE(action->isEnabled(), item.enabled);
    }
    const QList<QAction *> bar = window->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar[0]->text(), u"&Controls"_s);
    QCOMPARE(bar[1], child<QAction>("about"));
    QCOMPARE(bar[2], child<QAction>("mnuExit"));

    // Ctrl+S does nothing; the list then the notes box take the focus.
    auto *list = child<QListWidget>("monstername");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(MonsterWindow::instance());
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("notes"));
    QTest::keyClick(child<QWidget>("notes"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
}

void TestMonsterWindow::exitEndsTheWindow()
{
    open();
    QPointer<QObject> timer = child<QObject>("Timer1");
    child<QAction>("mnuExit")->trigger();
    QTRY_VERIFY(!MonsterWindow::instance());
    QVERIFY(!timer);
}

void TestMonsterWindow::missingDataFileIsReportedAndListIsEmpty()
{
    QVERIFY(QFile::remove(m_context.dataDir + u"cml.nmd"_s));
    open();
    const QList<platform::messagetesting::Shown> shown = takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].prompt.contains(u"cml.nmd"_s));
    QCOMPARE(child<QListWidget>("monstername")->count(), 0);
}

void TestMonsterWindow::storeFailureIsReportedOnceAndNoteStays()
{
    testsupport::writeFile(m_dir->filePath(u"blocked"_s), "a file, not a folder");
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(u"blocked/settings.sqlite"_s));
    m_store->setFailureHandler(platform::showStoreFailure);
    m_context.store = m_store.get();
    open();
    select(Wolf);
    QTest::keyClicks(child<QPlainTextEdit>("notes"), u"kept"_s);
    QTRY_COMPARE(platform::messagetesting::shown().size(), 1);
    QVERIFY(takeShown().first().prompt.contains(u"blocked"_s));
    QTest::keyClicks(child<QPlainTextEdit>("notes"), u" here"_s);
    QCOMPARE(child<QPlainTextEdit>("notes")->toPlainText(), u"kept here"_s);
    QCoreApplication::processEvents();
    QCOMPARE(takeShown().size(), 0);
}

QTEST_MAIN(TestMonsterWindow)
#include "tst_monsterwindow.moc"
