// The installed program, as a desktop user meets it: started from its launcher entry, it
// fills the user's data folder from the installed data and updates there. NV_INSTALLED_PREFIX
// names an installation to check (the Debian package's /usr); without it the test installs
// the build into a folder of its own.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"

#include <QImage>
#include <QStandardPaths>

using namespace realprogram;
using testsupport::readFile;

class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void launcherEntryAndMetainfoAreValid();
    void theUserFolderIsFilledAndUpdated();

private:
    QString shared(const QString &path) const { return m_prefix + u"/share/"_s + path; }
    QString installedData() const { return shared(u"nvmonster/data/"_s); }

    const QString m_appId = u"example.quillmoor.nvmonster"_s;
    Desktop m_desktop;
    QTemporaryDir m_dir;
    QString m_prefix = qEnvironmentVariable("NV_INSTALLED_PREFIX");
    bool m_ownInstall = m_prefix.isEmpty();
    QString m_program; // what the launcher entry starts
};

void TestInstall::initTestCase()
{
    m_desktop.start();
    if (m_ownInstall) {
        m_prefix = m_dir.filePath(u"usr"_s);
        QCOMPARE(
            QProcess::execute(u"" NV_CMAKE_COMMAND ""_s,
                              {u"--install"_s, u"" NV_BUILD_DIR ""_s, u"--prefix"_s, m_prefix}),
            0);
    }
    // The entry's Exec, found on the PATH.
    const QString exec = QRegularExpression(u"^Exec=(\\S+)"_s, QRegularExpression::MultilineOption)
                             .match(QString::fromUtf8(
                                 readFile(shared(u"applications/"_s + m_appId + u".desktop"_s))))
                             .captured(1);
    m_program = QStandardPaths::findExecutable(exec, {m_prefix + u"/bin"_s});
    QVERIFY2(!m_program.isEmpty(), qPrintable(exec));
}

void TestInstall::launcherEntryAndMetainfoAreValid()
{
    QCOMPARE(QProcess::execute(u"desktop-file-validate"_s,
                               {shared(u"applications/"_s + m_appId + u".desktop"_s)}),
             0);
    // --no-net: the addresses in it are not to be visited.
    QCOMPARE(QProcess::execute(u"appstreamcli"_s,
                               {u"validate"_s, u"--no-net"_s,
                                shared(u"metainfo/"_s + m_appId + u".metainfo.xml"_s)}),
             0);
    QVERIFY(QFile::exists(shared(u"icons/hicolor/scalable/apps/"_s + m_appId + u".svg"_s)));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString png = u"icons/hicolor/%1x%1/apps/"_s.arg(size) + m_appId + u".png"_s;
        QCOMPARE(QImage(shared(png)).size(), QSize(size, size));
    }
}

// The first start fills the user's data folder; a later update writes there, never into
// the installation, and the start after it keeps the update.
void TestInstall::theUserFolderIsFilledAndUpdated()
{
    const QString home = m_dir.filePath(u"home"_s), data = home + u"/share/nvmonster/data/"_s;
    setChecks(home, false);
    {
        Process process;
        QVERIFY(!startToMain(process, m_program, home).isEmpty());
    }
    // Every file as installed, but update.dat, which is written anew in its own words.
    QCOMPARE(
        QProcess::execute(u"diff"_s, {u"-r"_s, u"-x"_s, u"update.dat"_s, installedData(), data}),
        0);
    if (!m_ownInstall)
        return; // the endpoints file would have to go into the system's program folder
    TestServer server;
    const QByteArray newData = testsupport::dataFile({testsupport::record(u"Newt"_s)});
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    server.setBody(u"/monster/vers.dat"_s, "2099.0101\r\n");
    // The site's own file version, below the installation's 3: the next start must still
    // keep the newer database.
    server.setBody(u"/monster/update.dat"_s, "2\r\ncml.nmd,2," +
                                                 QByteArray::number(newData.size()) + "," +
                                                 server.urlText(u"/cml.nmd"_s).toLatin1() + "\r\n");
    server.setBody(u"/cml.nmd"_s, newData);
    writeIni(m_prefix + u"/bin"_s, server.urlText(u"/"_s)); // in our own installation only
    const QByteArray installedBefore = readFile(installedData() + u"cml.nmd"_s);

    setChecks(home, true);
    Process process;
    start(process, m_program, home);
    QVERIFY(keys(waitForWindow(u"Database Update"_s), {u"Return"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), QByteArray("\"2099.0101\"\r\n"),
                              20000);
    QCOMPARE(readFile(data + u"cml.nmd"_s), newData);
    QCOMPARE(readFile(installedData() + u"cml.nmd"_s), installedBefore);

    process.terminate();
    QVERIFY(process.waitForFinished());
    setChecks(home, false);
    Process again;
    QVERIFY(!startToMain(again, m_program, home).isEmpty());
    QCOMPARE(readFile(data + u"cml.nmd"_s) + readFile(data + u"vers.dat"_s),
             newData + "\"2099.0101\"\r\n");
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
