// The maker publishes with nvpublish, the site folder is served on loopback, and the real
// program (a portable copy, on an X server of its own, driven through xdotool) updates from
// it: its data folder then holds exactly what was published, and the user's folders nothing.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace realprogram;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// Runs nvpublish and returns what it printed; empty when it failed.
QByteArray nvpublish(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(u"" NV_PUBLISH_PATH ""_s, arguments);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : QByteArray();
}

} // namespace

class TestPublishRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void programUpdatesFromThePublishedSite();
};

void TestPublishRoundTrip::programUpdatesFromThePublishedSite()
{
    QProcess xserver;
    startXServer(xserver);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"source/"_s);
    const QString site = dir.filePath(u"site/"_s);
    const QString data = dir.filePath(u"program/data/"_s);
    TestServer server;
    server.serveFolder(u"/"_s, site);
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    const QStringList arguments{source, site, server.urlText(u"/"_s)};
    const QString program = installProgram(dir.filePath(u"program"_s));
    QVERIFY(!program.isEmpty());
    writeIni(dir.filePath(u"program"_s),
             {u"ProgramVersionUrl="_s + server.urlText(u"/monster.txt"_s),
              u"DatabaseVersionUrl="_s + server.urlText(u"/monster/vers.dat"_s),
              u"UpdateListUrl="_s + server.urlText(u"/monster/update.dat"_s)});

    // The first publication, and a player whose data folder is at it.
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, u"" NV_SAMPLE_DATA_DIR ""_s, source}), 0);
    QVERIFY(!nvpublish(arguments).isEmpty());
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, source, data}), 0);
    writeFile(data + u"update.dat"_s, readFile(site + u"monster/update.dat"_s) + "\r\n");
    writeFile(data + u"vers.dat"_s,
              '"' + readFile(site + u"monster/vers.dat"_s).left(9) + "\"\r\n");

    // One record and one picture change (the picture keeps its size), and a file comes.
    QByteArray records = readFile(source + u"cml.nmd"_s);
    QVERIFY(records.contains("\nSalt Gull|35|"));
    writeFile(source + u"cml.nmd"_s, records.replace("\nSalt Gull|35|", "\nSalt Gull|36|"));
    QByteArray picture = readFile(source + u"tick_blood.bmp"_s);
    picture[picture.size() - 100] ^= 0x55;
    writeFile(source + u"tick_blood.bmp"_s, picture);
    writeFile(source + u"pics/new one.gif"_s, "GIF89a, new");
    QVERIFY(!nvpublish(arguments).isEmpty());
    const QByteArray version = readFile(site + u"monster/vers.dat"_s);
    QCOMPARE(version.size(), 11);

    QProcess process;
    const auto stop = qScopeGuard([&] {
        for (QProcess *running : {&process, &xserver}) {
            running->kill();
            running->waitForFinished();
        }
    });
    QProcessEnvironment environment;
    environment.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"share"_s));
    start(process, program, dir.filePath(u"config"_s), environment);
    QByteArray question;
    QTRY_VERIFY_WITH_TIMEOUT(!(question = findWindow(u"Database Update"_s)).isEmpty(), 30000);
    QVERIFY(keys(question, {u"Return"_s}));
    QByteArray downloader;
    QTRY_VERIFY_WITH_TIMEOUT(!(downloader = findWindow(u"Updating Monster Database"_s)).isEmpty(),
                             20000);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), '"' + version.left(9) + "\"\r\n",
                              20000);
    // Every data file byte for byte (the source's own lists are the sample's, not published).
    QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, u"-x"_s, u"update.dat"_s, u"-x"_s,
                                           u"vers.dat"_s, source, data}),
             0);
    QCOMPARE(readFile(data + u"update.dat"_s), readFile(site + u"monster/update.dat"_s) + "\r\n");
    // Only what changed travelled.
    for (const char *name : {"cml.nmd", "tick_blood.bmp", "pics/new one.gif", "bogslime.gif"})
        QCOMPARE(server.hits(u"/monster/files/"_s + QLatin1StringView(name)),
                 int(std::strcmp(name, "bogslime.gif") != 0));
    // Continue leads on to the main window; the portable copy left the user's folders alone.
    QVERIFY(keys(downloader, {u"Return"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(!findWindow(kMainTitle, process.processId()).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(findWindow(u"Updating Monster Database"_s).isEmpty(), 10000);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"share/nvmonster"_s)));

    // Nothing changed since: the third run rewrites nothing.
    const auto times = testsupport::fileTimes(site, QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
    QVERIFY(
        nvpublish(arguments).contains("Nothing changed since database version " + version.left(9)));
    QCOMPARE(testsupport::fileTimes(site), times);
}

QTEST_GUILESS_MAIN(TestPublishRoundTrip)
#include "tst_publishroundtrip.moc"
