// The maker publishes with nvpublish, nginx serves the site folder on loopback with the
// server block of nvpublish(1), and the real program (a portable copy, on an X server of its
// own, driven through xdotool) whose data folder is a package of the first publication
// updates to the second: its data folder then holds exactly what the maker's does, and the
// user's folders nothing.
#include "appinfo.h"
#include "realprogram.h"

#include <QTcpServer>

using namespace realprogram;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

// nginx as a child of the test, with a temporary prefix, serving `site` on two loopback
// ports: the second sends at most 2 MB/s, for a download that a publication can overtake.
struct Nginx : Process
{
    QTemporaryDir prefix;
    QString url, slowUrl;

    void start(const QString &site)
    {
        const QByteArray page = readFile(u"" NV_SAMPLE_DATA_DIR "../dist/linux/nvpublish.1"_s);
        const qsizetype from = page.indexOf("server {\n");
        const QString server =
            QString::fromUtf8(page.mid(from, page.indexOf("\n}\n", from) + 3 - from))
                .replace(u"/srv/www"_s, site);
        QString config =
            u"daemon off; master_process off; pid nginx.pid; events {} http {\n"
            "include /etc/nginx/mime.types; access_log access.log;\n"
            "client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp; "
            "uwsgi_temp_path temp; scgi_temp_path temp;\n"_s;
        for (QString *address : {&url, &slowUrl}) {
            QTcpServer port; // a port free now, handed on
            QVERIFY(port.listen(QHostAddress::LocalHost));
            *address = u"http://127.0.0.1:%1/"_s.arg(port.serverPort());
            config += QString(server).replace(
                u"listen 80;"_s, u"listen 127.0.0.1:%1; %2"_s.arg(port.serverPort())
                                     .arg(address == &url ? u""_s : u"limit_rate 2m;"_s));
        }
        writeFile(prefix.filePath(u"nginx.conf"_s), (config + u'}').toUtf8());
        QProcess::start(u"nginx"_s, {u"-p"_s, prefix.path(), u"-c"_s, u"nginx.conf"_s, u"-e"_s,
                                     u"error.log"_s});
        QVERIFY2(waitForStarted(), "nginx is not installed");
        QTRY_VERIFY(!run(u"curl"_s, {u"-sI"_s, slowUrl}).isEmpty());
    }
};

} // namespace

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
    Nginx nginx;
    nginx.start(site);
    writeFile(site + u"monster.txt"_s, appinfo::runningVersion().toLatin1());
    const QString program = installProgram(dir.path());
    QVERIFY(!program.isEmpty());
    writeIni(dir.path(), nginx.url);

    // The first publication, and a player whose data folder is a package built from it.
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, u"" NV_SAMPLE_DATA_DIR ""_s, source}), 0);
    QVERIFY(!run(u"" NV_PUBLISH_PATH ""_s, {source, site, nginx.url}).isEmpty());
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, source, data}), 0);

    // One record and one picture change (the picture keeps its size), and a file comes.
    QByteArray records = readFile(source + u"cml.nmd"_s);
    writeFile(source + u"cml.nmd"_s, records.replace("\nSalt Gull|35|", "\nSalt Gull|36|"));
    QByteArray picture = readFile(source + u"tick_blood.bmp"_s);
    picture[picture.size() - 100] ^= 0x55;
    writeFile(source + u"tick_blood.bmp"_s, picture);
    writeFile(source + u"pics/new one.gif"_s, "GIF89a, new");
    QVERIFY(!run(u"" NV_PUBLISH_PATH ""_s, {source, site, nginx.url}).isEmpty());

    Process process;
    start(process, program, dir.path());
    QVERIFY(keys(waitForWindow(u"Database Update"_s), {u"Return"_s}));
    const QByteArray downloader = waitForWindow(u"Updating Monster Database"_s);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), readFile(source + u"vers.dat"_s),
                              20000);
    // The data folder is the maker's, byte for byte, its update.dat and vers.dat included.
    QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, source, data}), 0);
    // Only what changed travelled.
    QCOMPARE(readFile(nginx.prefix.filePath(u"access.log"_s)).count("/tick_blood.bmp "), 1);
    QCOMPARE(readFile(nginx.prefix.filePath(u"access.log"_s)).count("/bogslime.gif "), 0);
    // Continue leads on to the main window.
    QVERIFY(keys(downloader, {u"Return"_s}));
    QVERIFY(!waitForWindow(kMainTitle, process.processId()).isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(u"share/nvmonster"_s)));
}

QTEST_GUILESS_MAIN(TestPublishRoundTrip)
#include "tst_publishroundtrip.moc"
