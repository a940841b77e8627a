#include "monsterwindow.h"
#include "optionswindow.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestOptionsWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init() { freshContext(); }
    void cleanup() { closeAllWindows(); }
    void loadsEachSwitchIntoItsBox_data();
    void loadsEachSwitchIntoItsBox();
    void savesOnlyOnSaveSettings();
    void isModelessAndOpensOnce();
    void afterExitClosingItEndsTheProgram();

private:
    OptionsWindow *open() { return OptionsWindow::showWindow(m_context); }
    QCheckBox *box(const char *name) { return child<QCheckBox>(OptionsWindow::instance(), name); }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(OptionsWindow::instance(), button), Qt::LeftButton);
    }
    QString stored(const QString &key) { return m_store->get(u"settings"_s, key); }
};

void TestOptionsWindow::loadsEachSwitchIntoItsBox_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<Qt::CheckState>("state");
    QTest::addColumn<QString>("afterLoad");
    QTest::newRow("empty is filled") << QString() << Qt::Checked << u"1"_s;
    QTest::newRow("0") << u"0"_s << Qt::Unchecked << u"0"_s;
    QTest::newRow("1") << u"1"_s << Qt::Checked << u"1"_s;
    QTest::newRow("2 is the third state") << u"2"_s << Qt::PartiallyChecked << u"2"_s;
    QTest::newRow("rounded") << u"1.4"_s << Qt::Checked << u"1.4"_s;
    QTest::newRow("not a state") << u"7"_s << Qt::Unchecked << u"7"_s;
    QTest::newRow("not a number") << u"yes"_s << Qt::Unchecked << u"yes"_s;
}

void TestOptionsWindow::loadsEachSwitchIntoItsBox()
{
    QFETCH(QString, stored);
    const QString value = stored;
    QFETCH(Qt::CheckState, state);
    QFETCH(QString, afterLoad);
    const std::pair<const char *, QString> boxes[] = {{"progupdates", u"progupdates"_s},
                                                      {"dbupdates", u"dbupdates"_s},
                                                      {"saveposition", u"saveposition"_s},
                                                      {"searcha", u"search"_s},
                                                      {"unavailable", u"unavailable"_s}};
    for (const auto &[name, key] : boxes) {
        m_store->save(u"settings"_s, key, value);
        open();
        QCOMPARE(box(name)->checkState(), state);
        QCOMPARE(m_store->get(u"settings"_s, key), afterLoad);
        OptionsWindow::instance()->close();
        QTRY_VERIFY(!OptionsWindow::instance());
        m_store->save(u"settings"_s, key, u"1"_s);
    }
    QCOMPARE(m_store->get(u"settings"_s, u"searcha"_s), QString()); // it keeps the key "search"
}

void TestOptionsWindow::savesOnlyOnSaveSettings()
{
    m_store->save(u"settings"_s, u"unavailable"_s, u"2"_s);
    open();
    box("dbupdates")->click();
    click("cancel");
    QTRY_VERIFY(!OptionsWindow::instance());
    QCOMPARE(stored(u"dbupdates"_s), u"1"_s);

    open();
    box("dbupdates")->click();
    OptionsWindow::instance()->close(); // the close box saves nothing either
    QTRY_VERIFY(!OptionsWindow::instance());
    QCOMPARE(stored(u"dbupdates"_s), u"1"_s);

    open();
    box("dbupdates")->click();
    box("searcha")->click();
    click("done");
    QTRY_VERIFY(!OptionsWindow::instance());
    QCOMPARE(stored(u"dbupdates"_s), u"0"_s);
    QCOMPARE(stored(u"search"_s), u"0"_s);
    QCOMPARE(stored(u"unavailable"_s), u"2"_s); // untouched third state is written back
    open();
    QCOMPARE(box("dbupdates")->checkState(), Qt::Unchecked);
}

void TestOptionsWindow::isModelessAndOpensOnce()
{
    MonsterWindow *main = MonsterWindow::showWindow(m_context);
    child<QAction>(main, "mnuOptions")->trigger();
    QVERIFY(OptionsWindow::instance());
    QVERIFY(main->isEnabled());
    box("progupdates")->click();
    child<QAction>(main, "mnuOptions")->trigger(); // brought forward, not reloaded
    QCOMPARE(box("progupdates")->checkState(), Qt::Unchecked);
    click("done");
    QTRY_VERIFY(!OptionsWindow::instance());
    QVERIFY(main->isEnabled());
}

void TestOptionsWindow::afterExitClosingItEndsTheProgram()
{
    MonsterWindow *main = MonsterWindow::showWindow(m_context);
    open();
    // Runs the program's event loop: it ends when the last window has closed.
    bool cancelled = false, cancelledBeforeQuit = false, mainBack = true;
    connect(qApp, &QCoreApplication::aboutToQuit, this, [&] {
        cancelledBeforeQuit = cancelled;
        mainBack = MonsterWindow::instance();
    });
    QTimer::singleShot(0, main, [main] { child<QAction>(main, "mnuExit")->trigger(); });
    QTimer::singleShot(100, this, [&] {
        cancelled = true;
        if (OptionsWindow::instance())
            click("cancel");
    });
    QTimer::singleShot(5000, qApp, &QCoreApplication::quit); // in case it never ends
    QApplication::exec();
    QVERIFY(cancelledBeforeQuit); // the Options window kept the program going
    QVERIFY(!mainBack);           // and Cancel brought no main window back
}

QTEST_MAIN(TestOptionsWindow)
#include "tst_optionswindow.moc"
