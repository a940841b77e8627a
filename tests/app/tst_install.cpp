// The installed program, as a desktop user meets it: started from its launcher entry, it
// fills the user's data folder from the installed data. NV_INSTALLED_PREFIX
// names an installation to check (the Debian package's /usr); without it the test installs
// the build into a folder of its own.
#include "realprogram.h"

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
    void theUserFolderIsFilled();

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

// The first start fills the user's data folder (tst_publishroundtrip updates it there).
void TestInstall::theUserFolderIsFilled()
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
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
