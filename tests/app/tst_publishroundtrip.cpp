// The maker publishes with nvpublish, the site folder is served on loopback, and the real
// program (a portable copy, on an X server of its own, driven through xdotool) updates from
// it: its data folder then holds exactly what was published, and the user's folders nothing.
#include "appinfo.h"
#include "realprogram.h"
#include "testserver.h"

using namespace realprogram;
using testsupport::readFile;
using testsupport::writeFile;

class TestPublishRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void programUpdatesFromThePublishedSite();
};

void TestPublishRoundTrip::programUpdatesFromThePublishedSite()
{
    Desktop desktop;
    desktop.start();
    QTemporaryDir dir;
    const QString source = dir.filePath(u"source/"_s);
    const QString site = dir.filePath(u"site/"_s);
    const QString data = dir.filePath(u"data/"_s);
    TestServer server;
    server.setBody(u"/monster.txt"_s, appinfo::runningVersion().toLatin1());
    const auto nvpublish = [&] {
        return run(u"" NV_PUBLISH_PATH ""_s, {source, site, server.urlText(u"/"_s)});
    };
    const QString program = installProgram(dir.path());
    QVERIFY(!program.isEmpty());
    writeIni(dir.path(), server.urlText(u"/"_s));

    // The first publication, and a player whose data folder is at it.
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, u"" NV_SAMPLE_DATA_DIR ""_s, source}), 0);
    QVERIFY(!nvpublish().isEmpty());
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, source, data}), 0);
    writeFile(data + u"update.dat"_s, readFile(site + u"monster/update.dat"_s) + "\r\n");
    writeFile(data + u"vers.dat"_s,
              '"' + readFile(site + u"monster/vers.dat"_s).left(9) + "\"\r\n");

    // One record and one picture change (the picture keeps its size), and a file comes.
    QByteArray records = readFile(source + u"cml.nmd"_s);
    writeFile(source + u"cml.nmd"_s, records.replace("\nSalt Gull|35|", "\nSalt Gull|36|"));
    QByteArray picture = readFile(source + u"tick_blood.bmp"_s);
    picture[picture.size() - 100] ^= 0x55;
    writeFile(source + u"tick_blood.bmp"_s, picture);
    writeFile(source + u"pics/new one.gif"_s, "GIF89a, new");
    QVERIFY(!nvpublish().isEmpty());
    const QByteArray version = readFile(site + u"monster/vers.dat"_s);
    // The site served as it now is.
    for (const auto &[name, bytes] : testsupport::snapshot(site).asKeyValueRange())
        server.setBody(u'/' + name, bytes);

    Process process;
    start(process, program, dir.path());
    QVERIFY(keys(waitForWindow(u"Database Update"_s), {u"Return"_s}));
    const QByteArray downloader = waitForWindow(u"Updating Monster Database"_s);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), '"' + version.left(9) + "\"\r\n",
                              20000);
    // Every data file byte for byte, and no other (the source's own lists are the sample's,
    // not published).
    QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, u"-x"_s, u"update.dat"_s, u"-x"_s,
                                           u"vers.dat"_s, source, data}),
             0);
    QCOMPARE(readFile(data + u"update.dat"_s), readFile(site + u"monster/update.dat"_s) + "\r\n");
    // Only what changed travelled.
    for (const QString &name : {u"cml.nmd"_s, u"tick_blood.bmp"_s, u"pics/new one.gif"_s})
        QCOMPARE(server.hits(u"/monster/files/"_s + name), 1);
    QCOMPARE(server.hits(u"/monster/files/bogslime.gif"_s), 0);
    // Continue leads on to the main window.
    QVERIFY(keys(downloader, {u"Return"_s}));
    QVERIFY(!waitForWindow(kMainTitle, process.processId()).isEmpty());
    QTRY_VERIFY(findWindows(u"Updating Monster Database"_s).isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"share/nvmonster"_s)));
    // Nothing changed since: the maker is told so.
    QVERIFY(nvpublish().contains("Nothing changed since database version " + version.left(9)));
}

QTEST_GUILESS_MAIN(TestPublishRoundTrip)
#include "tst_publishroundtrip.moc"
