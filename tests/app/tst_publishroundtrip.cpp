// The maker publishes with nvpublish, nginx serves the site folder on loopback with the
// server block of nvpublish(1), and the real program (a portable copy, on an X server of its
// own, driven through xdotool) updates from it across two publications: its data folder then
// holds exactly what the maker's does, and the user's folders nothing.
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
        const QString page = QString::fromUtf8(
            readFile(u"" NV_SAMPLE_DATA_DIR ""_s + u"../dist/linux/nvpublish.1"_s));
        const qsizetype from = page.indexOf(u"server {\n"_s);
        const QString server = page.mid(from, page.indexOf(u"\n}\n"_s, from) + 3 - from)
                                   .replace(u"root /srv/www;"_s, u"root "_s + site + u';');
        QString config = u"daemon off; master_process off; pid nginx.pid;\nevents {}\nhttp {\n"
                         "include /etc/nginx/mime.types; access_log access.log;\n"_s;
        for (const QString &temp :
             {u"client_body"_s, u"proxy"_s, u"fastcgi"_s, u"uwsgi"_s, u"scgi"_s})
            config += temp + u"_temp_path temp;\n"_s;
        for (QString *address : {&url, &slowUrl}) {
            QTcpServer port; // a port free now, handed on
            QVERIFY(port.listen(QHostAddress::LocalHost));
            *address = u"http://127.0.0.1:%1/"_s.arg(port.serverPort());
            config += QString(server).replace(
                u"listen 80;"_s, u"listen 127.0.0.1:%1;%2"_s.arg(port.serverPort())
                                     .arg(address == &url ? u""_s : u" limit_rate 2m;"_s));
        }
        writeFile(prefix.filePath(u"nginx.conf"_s), (config + u"}\n"_s).toUtf8());
        QProcess::start(u"nginx"_s, {u"-p"_s, prefix.path(), u"-c"_s, u"nginx.conf"_s, u"-e"_s,
                                     u"error.log"_s});
        QVERIFY2(waitForStarted(), "nginx is not installed");
        QTRY_VERIFY(!run(u"curl"_s, {u"-sI"_s, slowUrl}).isEmpty() &&
                    !run(u"curl"_s, {u"-sI"_s, url}).isEmpty());
    }

    // How many requests reached a file of this name below monster/files/.
    qsizetype hits(const QString &name) const
    {
        return QString::fromUtf8(readFile(prefix.filePath(u"access.log"_s)))
            .count(u'/' + name + u" HTTP"_s);
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
    const auto nvpublish = [&] { return run(u"" NV_PUBLISH_PATH ""_s, {source, site, nginx.url}); };
    const QString program = installProgram(dir.path());
    QVERIFY(!program.isEmpty());
    writeIni(dir.path(), nginx.url);

    // The first publication, and a player whose data folder is a package built from it.
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, u"" NV_SAMPLE_DATA_DIR ""_s, source}), 0);
    QVERIFY(!nvpublish().isEmpty());
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, source, data}), 0);
    // No cache may keep an old list.
    QVERIFY(run(u"curl"_s, {u"-sI"_s, nginx.url + u"monster/update.dat"_s}).contains("no-cache"));

    // Updates as the user agrees to one: the data folder is then the maker's, byte for byte.
    const auto update = [&] {
        Process process;
        start(process, program, dir.path());
        QVERIFY(keys(waitForWindow(u"Database Update"_s), {u"Return"_s}));
        const QByteArray downloader = waitForWindow(u"Updating Monster Database"_s);
        QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), readFile(source + u"vers.dat"_s),
                                  20000);
        QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, source, data}), 0);
        // Continue leads on to the main window.
        QVERIFY(keys(downloader, {u"Return"_s}));
        QVERIFY(!waitForWindow(kMainTitle, process.processId()).isEmpty());
    };
    // One record and one picture change (the picture keeps its size), and a file comes.
    QByteArray records = readFile(source + u"cml.nmd"_s);
    writeFile(source + u"cml.nmd"_s, records.replace("\nSalt Gull|35|", "\nSalt Gull|36|"));
    QByteArray picture = readFile(source + u"tick_blood.bmp"_s);
    picture[picture.size() - 100] ^= 0x55;
    writeFile(source + u"tick_blood.bmp"_s, picture);
    writeFile(source + u"pics/new one.gif"_s, "GIF89a, new");
    QVERIFY(!nvpublish().isEmpty());
    update();
    // Only what changed travelled.
    for (const QString &name : {u"cml.nmd"_s, u"tick_blood.bmp"_s, u"new%20one.gif"_s})
        QCOMPARE(nginx.hits(name), 1);
    QCOMPARE(nginx.hits(u"bogslime.gif"_s), 0);

    // The picture changes back: the same size and bytes as once before, a new version.
    picture[picture.size() - 100] ^= 0x55;
    writeFile(source + u"tick_blood.bmp"_s, picture);
    QVERIFY(!nvpublish().isEmpty());
    update();
    QCOMPARE(nginx.hits(u"tick_blood.bmp"_s), 2);
    QVERIFY(!QFileInfo::exists(dir.filePath(u"share/nvmonster"_s)));
    // Nothing changed since: the maker is told so.
    QVERIFY(nvpublish().contains("Nothing changed since database version " +
                                 readFile(site + u"monster/vers.dat"_s).left(9)));
}

QTEST_GUILESS_MAIN(TestPublishRoundTrip)
#include "tst_publishroundtrip.moc"
