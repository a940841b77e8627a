#include "../testsupport.h"
#include "about/aboutwindow.h"
#include "mainwindow/monsterwindow.h"
#include "platform/clicklabel.h"
#include "platform/launch.h"
#include "platform/messagebox.h"
#include "platform/registry.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace platform::registry;
using platform::launchtesting::takeLaunched;

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsVersions_data();
    void showsVersions();
    void linksOpenTheirPages();
    void everyWayOfClosingEnablesTheMainWindow_data();
    void everyWayOfClosingEnablesTheMainWindow();
    void readsRegistryValues_data();
    void readsRegistryValues();
    void startsTheSystemInformationTool();

private:
    AboutWindow *open();
    QLabel *label(const char *name)
    {
        return AboutWindow::instance()->findChild<QLabel *>(QString::fromLatin1(name));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    AppContext m_context;
};

void TestAbout::initTestCase()
{
    platform::messagetesting::enable();
    platform::launchtesting::enable();
    testsupport::quietOffscreenWarnings();
}

void TestAbout::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>(m_dir->filePath(u"settings.sqlite"_s));
    m_context.store = m_store.get();
    m_context.dataDir = m_dir->filePath(u"data/"_s);
    m_context.endpoints.browserPath = u"test-browser"_s;
    testsupport::writeFile(m_context.dataDir + u"cml.nmd"_s, "");
    takeLaunched();
}

void TestAbout::cleanup()
{
    for (QWidget *window : {static_cast<QWidget *>(AboutWindow::instance()),
                            static_cast<QWidget *>(MonsterWindow::instance())})
        if (window)
            window->close();
    QTRY_VERIFY(!AboutWindow::instance() && !MonsterWindow::instance());
    QCOMPARE(platform::messagetesting::takeShown().size(), 0);
}

AboutWindow *TestAbout::open()
{
    MonsterWindow::showWindow(m_context)->findChild<QAction *>(u"about"_s)->trigger();
    return AboutWindow::instance();
}

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
        testsupport::writeFile(m_context.dataDir + u"vers.dat"_s, versionFile);
    open();
    QCOMPARE(label("lblTitle")->text(), u"Norvalen English Beta Monster Database"_s);
    QCOMPARE(AboutWindow::instance()->windowTitle(), label("lblTitle")->text());
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
    QTest::addColumn<int>("way");
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("close box") << -1;
}

void TestAbout::everyWayOfClosingEnablesTheMainWindow()
{
    QFETCH(int, way);
    AboutWindow *about = open();
    auto *ok = about->findChild<QPushButton *>(u"cmdOK"_s);
    if (way == 0)
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (way > 0)
        QTest::keyClick(ok, Qt::Key(way));
    else
        about->close();
    QTRY_VERIFY(!AboutWindow::instance());
    QVERIFY(MonsterWindow::instance()->isEnabled());
}

void TestAbout::readsRegistryValues_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("text");
    QTest::newRow("string with terminator")
        << QByteArray("K") << QByteArray("Path") << true << u"C:\\Tools\\msinfo32.exe"_s;
    QTest::newRow("string without terminator")
        << QByteArray("K") << QByteArray("Bare") << true << u"bare"_s;
    QTest::newRow("dword") << QByteArray("K") << QByteArray("Count") << true << u"258"_s;
    QTest::newRow("other type keeps the text")
        << QByteArray("K") << QByteArray("Blob") << true << u"as passed"_s;
    QTest::newRow("missing value") << QByteArray("K") << QByteArray("None") << false << QString();
    QTest::newRow("missing key") << QByteArray("Nope") << QByteArray("Path") << false << QString();
}

void TestAbout::readsRegistryValues()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(bool, read);
    QFETCH(QString, text);
    auto memory = std::make_unique<MemoryBackend>();
    MemoryBackend *registry = memory.get();
    registry->setValue("K", "Path", REG_SZ, QByteArray("C:\\Tools\\msinfo32.exe", 22));
    registry->setValue("K", "Bare", REG_SZ, "bare");
    registry->setValue("K", "Count", REG_DWORD, QByteArray("\x02\x01\x00\x00", 4));
    registry->setValue("K", "Blob", REG_BINARY, "\x01\x02");
    setBackend(std::move(memory));
    QString result = u"as passed"_s;
    QCOMPARE(AboutWindow::GetKeyValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(key),
                                      QString::fromLatin1(value), result),
             read);
    QCOMPARE(result, text);
    QCOMPARE(registry->openKeys(), 0); // every opened key is closed again
    setBackend(nullptr);
}

void TestAbout::startsTheSystemInformationTool()
{
    auto memory = std::make_unique<MemoryBackend>();
    memory->setValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", REG_SZ,
                     QByteArray("C:\\msinfo32.exe", 16));
    setBackend(std::move(memory));
    AboutWindow *about = open();
    about->StartSysInfo();
    QCOMPARE(takeLaunched().value(0).program, u"C:\\msinfo32.exe"_s);

    // No registry and no tool on the PATH: the user is told.
    setBackend(nullptr);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir->path().toLocal8Bit());
    about->StartSysInfo();
    qputenv("PATH", path);
    QCOMPARE(takeLaunched().size(), 0);
    const auto shown = platform::messagetesting::takeShown();
    QCOMPARE(shown.value(0).prompt, u"System Information Is Unavailable At This Time"_s);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
