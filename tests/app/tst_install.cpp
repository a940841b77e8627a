// The installed program, as a desktop user meets it: started from its launcher entry, it
// fills the user's data folder from the installed data and updates there. NV_INSTALLED_PREFIX names
// an installation to check (the Debian package's /usr); without it the test installs the build into
// a folder of its own.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"
#include "testsupport.h"
#include "updatelist.h"

#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::StringLiterals;
using namespace realprogram;
using testsupport::readFile;

namespace {

const QString kAppId = u"example.quillmoor.nvmonster"_s;

int run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(120000) ? process.exitCode() : -1;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void launcherEntryAndMetainfoAreValid();
    void firstStartFillsTheUserFolder();
    void updateWritesToTheUserFolder();

private:
    // Starts the program as the launcher entry says, with the user's folders in `home`,
    // with the start-up checks `checks` (on or off).
    void launch(QProcess &process, const QString &home, bool checks);
    QString installedData() const { return m_prefix + u"/share/nvmonster/data/"_s; }

    QProcess m_xserver;
    QTemporaryDir m_dir;
    QString m_prefix;
    bool m_ownInstall = false;
};

void TestInstall::initTestCase()
{
    startXServer(m_xserver);
    m_prefix = qEnvironmentVariable("NV_INSTALLED_PREFIX");
    if (m_prefix.isEmpty()) {
        m_ownInstall = true;
        m_prefix = m_dir.filePath(u"usr"_s);
        QCOMPARE(run(u"" NV_CMAKE_COMMAND ""_s,
                     {u"--install"_s, u"" NV_BUILD_DIR ""_s, u"--prefix"_s, m_prefix}),
                 0);
    }
    QVERIFY(QFile::exists(m_prefix + u"/bin/nvmonster"_s));
    QVERIFY(QFile::exists(installedData() + u"cml.nmd"_s));
}

void TestInstall::cleanupTestCase()
{
    m_xserver.terminate();
    m_xserver.waitForFinished();
}

void TestInstall::launcherEntryAndMetainfoAreValid()
{
    const QString entry = m_prefix + u"/share/applications/"_s + kAppId + u".desktop"_s;
    QCOMPARE(run(u"desktop-file-validate"_s, {entry}), 0);
    // --no-net: the addresses in it are not to be visited.
    QCOMPARE(
        run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s,
                                m_prefix + u"/share/metainfo/"_s + kAppId + u".metainfo.xml"_s}),
        0);
    const QString icons = m_prefix + u"/share/icons/hicolor/"_s;
    QVERIFY(QFile::exists(icons + u"scalable/apps/"_s + kAppId + u".svg"_s));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString png = icons + u"%1x%1/apps/"_s.arg(size) + kAppId + u".png"_s;
        QCOMPARE(QImage(png).size(), QSize(size, size));
    }
}

void TestInstall::launch(QProcess &process, const QString &home, bool checks)
{
    setChecks(home + u"/config"_s, checks);
    // What the launcher runs: the entry's Exec, found on the PATH.
    const QByteArray entry =
        readFile(m_prefix + u"/share/applications/"_s + kAppId + u".desktop"_s);
    const QString exec = QRegularExpression(u"^Exec=(\\S+)"_s, QRegularExpression::MultilineOption)
                             .match(QString::fromUtf8(entry))
                             .captured(1);
    const QString program = QStandardPaths::findExecutable(exec, {m_prefix + u"/bin"_s});
    QVERIFY2(!program.isEmpty(), qPrintable(exec));
    QProcessEnvironment environment;
    environment.insert(u"XDG_DATA_HOME"_s, home + u"/share"_s);
    start(process, program, home + u"/config"_s, environment);
}

void TestInstall::firstStartFillsTheUserFolder()
{
    const QString home = m_dir.filePath(u"first"_s);
    QProcess process;
    launch(process, home, false);
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });
    QVERIFY(!skipSplash(process).isEmpty());
    const QString data = home + u"/share/nvmonster/data/"_s;
    const QStringList installed = QDir(installedData()).entryList(QDir::Files);
    QCOMPARE(QDir(data).entryList(QDir::Files), installed);
    const auto entries = [](const QString &folder) {
        QStringList lines;
        for (const UpdateEntry &entry :
             readUpdateList(regroupLocalList(readFile(folder + u"update.dat"_s))).entries)
            lines.append(entry.fileName + u',' + entry.version);
        return lines;
    };
    QCOMPARE(entries(data), entries(installedData()));
    for (const QString &name : installed) {
        if (name != u"update.dat"_s) // written anew, in its own words
            QVERIFY2(readFile(data + name) == readFile(installedData() + name), qPrintable(name));
    }
}

void TestInstall::updateWritesToTheUserFolder()
{
    if (!m_ownInstall)
        QSKIP("the endpoints file would have to go into the system's program folder");
    TestServer server;
    const QByteArray newData = testsupport::dataFile({testsupport::record(u"Newt"_s)});
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    server.setBody(u"/monster/vers.dat"_s, "2099.0101\r\n");
    server.setBody(u"/monster/update.dat"_s, "2\r\ncml.nmd,99," +
                                                 QByteArray::number(newData.size()) + "," +
                                                 server.urlText(u"/cml.nmd"_s).toLatin1() + "\r\n");
    server.setBody(u"/cml.nmd"_s, newData);
    writeIni(m_prefix + u"/bin"_s,
             {u"ProgramVersionUrl="_s + server.urlText(u"/monster.txt"_s),
              u"DatabaseVersionUrl="_s + server.urlText(u"/monster/vers.dat"_s),
              u"UpdateListUrl="_s + server.urlText(u"/monster/update.dat"_s)});
    const auto removeIni =
        qScopeGuard([this] { QFile::remove(m_prefix + u"/bin/nvmonster.ini"_s); });
    const QByteArray installedBefore = readFile(installedData() + u"cml.nmd"_s);

    const QString home = m_dir.filePath(u"update"_s);
    const QString data = home + u"/share/nvmonster/data/"_s;
    QProcess process;
    launch(process, home, true);
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });
    QByteArray question;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(question = findWindow(u"Database Update"_s, process.processId())).isEmpty(), 20000);
    QVERIFY(keys(question, {u"Return"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), QByteArray("\"2099.0101\"\r\n"),
                              20000);
    QCOMPARE(readFile(data + u"cml.nmd"_s), newData);
    QCOMPARE(readFile(installedData() + u"cml.nmd"_s), installedBefore);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
