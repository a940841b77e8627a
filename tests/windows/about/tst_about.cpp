#include "aboutwindow.h"
#include "monsterwindow.h"
#include "registry.h"
#include "windowtest.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace platform::registry;
using platform::launchtesting::takeLaunched;

class TestAbout : public WindowTest
{
    Q_OBJECT
private slots:
    void initTestCase() { enableTestDoubles(); }
    void init() { freshContext(); }
    void cleanup() { closeAllWindows(); }
    void showsVersions_data();
    void showsVersions();
    void linksOpenTheirPages();
    void everyWayOfClosingEnablesTheMainWindow_data();
    void everyWayOfClosingEnablesTheMainWindow();
    void readsRegistryValues_data();
    void readsRegistryValues();
    void startsTheSystemInformationTool();

private:
    AboutWindow *open()
    {
        child<QAction>(MonsterWindow::showWindow(m_context), "about")->trigger();
        return AboutWindow::instance();
    }
    QLabel *label(const char *name) { return child<QLabel>(AboutWindow::instance(), name); }
};

void TestAbout::showsVersions_data()
{
    QTest::addColumn<QByteArray>("versionFile");
    QTest::addColumn<QString>("shown");
    QTest::newRow("quoted") << QByteArray("\"2026.1206\"\r\n") << u"Database Version v.2026.1206"_s;
    QTest::newRow("missing") << QByteArray() << u"Database Version v."_s;
}

void TestAbout::showsVersions()
{
    QFETCH(QByteArray, versionFile);
    QFETCH(QString, shown);
    if (!versionFile.isEmpty())
        testsupport::writeFile(m_context.dataFolder.path() + u"vers.dat"_s, versionFile);
    open();
    QCOMPARE(label("lblTitle")->text(), u"Norvalen English Beta Monster Database"_s);
    QCOMPARE(label("lblVersion")->text(), u"Progam Version v.1.7 Build #4034 Beta"_s);
    QCOMPARE(label("dbverlabel")->text(), shown);
    QVERIFY(!MonsterWindow::instance()->isEnabled());
}

void TestAbout::linksOpenTheirPages()
{
    const Endpoints &e = m_context.endpoints;
    const std::pair<const char *, QString> links[] = {
        {"Label22", e.resourcePageUrl},  {"monlist", e.monsterListUrl},
        {"partner1", e.partnerSiteUrl1}, {"Label20", e.partnerSiteUrl2},
        {"progpage", e.programPageUrl},  {"mirror1", e.partnerSiteUrl1},
        {"mirror2", e.partnerSiteUrl3},  {"Label21", e.partnerSiteUrl2},
        {"mirror3", e.partnerSiteUrl4},  {"gotosite", e.makerSiteUrl},
        {"Label23", e.ircChannelUrl}};
    open();
    for (const auto &[name, url] : links) {
        QTest::mouseClick(label(name), Qt::LeftButton);
        const platform::launchtesting::Launch opened{u"test-browser"_s, {url}};
        QCOMPARE(takeLaunched(), QList{opened});
    }
    QTest::mouseClick(label("oldsite"), Qt::LeftButton);
    QCOMPARE(takeLaunched().size(), 0);

    platform::launchtesting::failNext(); // no browser: said so, and the window stays
    QTest::mouseClick(label("gotosite"), Qt::LeftButton);
    QCOMPARE(platform::messagetesting::takeShown().size(), 1);
    QVERIFY(AboutWindow::instance());
}

void TestAbout::everyWayOfClosingEnablesTheMainWindow_data()
{
    QTest::addColumn<int>("key"); // 0: click OK, -1: the close box
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("close box") << -1;
}

void TestAbout::everyWayOfClosingEnablesTheMainWindow()
{
    QFETCH(int, key);
    AboutWindow *about = open();
    auto *ok = child<QPushButton>(about, "cmdOK");
    if (key == 0)
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (key > 0)
        QTest::keyClick(ok, Qt::Key(key));
    else
        about->close();
    QTRY_VERIFY(!AboutWindow::instance());
    QVERIFY(MonsterWindow::instance()->isEnabled());
}

void TestAbout::readsRegistryValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");
    QTest::newRow("string with terminator") << u"K"_s << u"Path"_s << true << u"C:\\msinfo32"_s;
    QTest::newRow("string without terminator") << u"K"_s << u"Bare"_s << true << u"bare"_s;
    QTest::newRow("dword") << u"K"_s << u"Count"_s << true << u"258"_s;
    QTest::newRow("other type keeps the text") << u"K"_s << u"Blob"_s << true << u"as passed"_s;
    QTest::newRow("missing value") << u"K"_s << u"None"_s << false << QString();
    QTest::newRow("missing key") << u"Nope"_s << u"Path"_s << false << QString();
}

void TestAbout::readsRegistryValues()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, read);
    QFETCH(QString, text);
    auto memory = std::make_unique<MemoryBackend>();
    MemoryBackend *registry = memory.get();
    registry->setValue("K", "Path", REG_SZ, QByteArray("C:\\msinfo32", 12));
    registry->setValue("K", "Bare", REG_SZ, "bare");
    registry->setValue("K", "Count", REG_DWORD, QByteArray("\x02\x01\x00\x00", 4));
    registry->setValue("K", "Blob", REG_BINARY, "\x01\x02");
    setBackend(std::move(memory));
    QString result = u"as passed"_s;
    QCOMPARE(AboutWindow::GetKeyValue(HKEY_LOCAL_MACHINE, key, value, result), read);
    QCOMPARE(result, text);
    QCOMPARE(registry->openKeys(), 0); // every opened key is closed again
    setBackend(nullptr);
}

void TestAbout::startsTheSystemInformationTool()
{
    auto memory = std::make_unique<MemoryBackend>();
    memory->setValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", REG_SZ, "C:\\msinfo32");
    setBackend(std::move(memory));
    AboutWindow *about = open();
    about->StartSysInfo();
    QCOMPARE(takeLaunched().value(0).program, u"C:\\msinfo32"_s);

    // No registry and no tool on the PATH: the user is told.
    setBackend(nullptr);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir->path().toLocal8Bit());
    about->StartSysInfo();
    qputenv("PATH", path);
    QCOMPARE(takeLaunched().size(), 0);
    QCOMPARE(platform::messagetesting::takeShown().value(0).prompt,
             u"System Information Is Unavailable At This Time"_s);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
