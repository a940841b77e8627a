// The maker publishes with nvpublish, nginx serves the site folder on loopback with the
// server block of nvpublish(1), and the real program, installed (on an X server of its own,
// driven through xdotool), updates its user's data folder from it through a port that sends
// at most 2 MB/s, while the site changes under it or either side is killed. Each run ends
// on one whole release, the one vers.dat names, and the next update brings the newest.
#include "appinfo.h"
#include "realprogram.h"
#include "updatelist.h"

#include <QTcpServer>
#include <QUrl>

using namespace realprogram;
using namespace testsupport;

namespace {

// nginx as a child of the test, with a temporary prefix, serving `site` on a loopback port
// that sends at most 2 MB/s, for a download that a publication can overtake.
struct Nginx : Process
{
    QTemporaryDir prefix;
    QString url;

    void start(const QString &site)
    {
        quint16 port = 0;
        if (QTcpServer free; free.listen(QHostAddress::LocalHost)) // a port free now, handed on
            port = free.serverPort();
        url = u"http://127.0.0.1:%1/"_s.arg(port);
        const QByteArray page = readFile(u"" NV_SAMPLE_DATA_DIR "../dist/linux/nvpublish.1"_s);
        const qsizetype from = page.indexOf("server {\n");
        const QString server =
            QString::fromUtf8(page.mid(from, page.indexOf("\n}\n", from) + 3 - from))
                .replace(u"/srv/www"_s, site)
                .replace(u"listen 80;"_s, u"listen 127.0.0.1:%1; limit_rate 2m;"_s.arg(port));
        writeFile(prefix.filePath(u"nginx.conf"_s),
                  (u"daemon off; master_process off; pid nginx.pid; events {} http {\n"
                   "include /etc/nginx/mime.types; access_log access.log;\n"
                   "client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp; "
                   "uwsgi_temp_path temp; scgi_temp_path temp;\n"_s +
                   server + u'}')
                      .toUtf8());
        QProcess::start(u"nginx"_s, {u"-p"_s, prefix.path(), u"-c"_s, u"nginx.conf"_s, u"-e"_s,
                                     u"error.log"_s});
        QVERIFY2(waitForStarted(), "nginx is not installed");
        QTRY_VERIFY(!run(u"curl"_s, {u"-sI"_s, url}).isEmpty());
    }
};

// Release `n` of the maker's data folder: the sample data with a database of 4 MB (two
// seconds at 2 MB/s), a picture changed at its size and a new one of 3 MB.
void makeRelease(const QString &folder, int n)
{
    QList<QStringList> records;
    for (int i = 0; i < 20000; ++i)
        records.append(record(u"Kin%1 r%2"_s.arg(i).arg(n)));
    writeFile(folder + u"cml.nmd"_s,
              readFile(u"" NV_SAMPLE_DATA_DIR "cml.nmd"_s) + dataFile(records));
    QByteArray picture = readFile(u"" NV_SAMPLE_DATA_DIR "tick_blood.bmp"_s);
    picture[picture.size() - 100] ^= char(n);
    writeFile(folder + u"tick_blood.bmp"_s, picture);
    writeFile(folder + u"pics/new one.gif"_s, "GIF89a" + QByteArray(3 << 20, char('a' + n)));
}

} // namespace

class TestPublishRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_desktop.start();
        QVERIFY(!run(u"" NV_CMAKE_COMMAND ""_s,
                     {u"--install"_s, u"" NV_BUILD_DIR ""_s, u"--prefix"_s, m_prefix})
                     .isEmpty());
    }

    // What happens while the player downloads the first release, once the site's access
    // log shows that it has the list (and is on the database) or the database (and is on
    // the pictures).
    void updateWhileTheSiteChanges_data()
    {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("the next release published") << QByteArray("/update.dat ") << u"publish"_s;
        QTest::newRow("player killed") << QByteArray("/cml.nmd ") << u"kill player"_s;
        QTest::newRow("nvpublish killed while copying")
            << QByteArray("/update.dat ") << u"kill nvpublish"_s;
    }
    void updateWhileTheSiteChanges();

private:
    Desktop m_desktop;
    QTemporaryDir m_dir;
    QString m_prefix = m_dir.filePath(u"usr"_s);
};

void TestPublishRoundTrip::updateWhileTheSiteChanges()
{
    QFETCH(QByteArray, after);
    QFETCH(QString, meanwhile);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"source/"_s), site = dir.filePath(u"site/"_s);
    const QString data = dir.filePath(u"share/nvmonster/data/"_s);
    const QString installed = m_prefix + u"/share/nvmonster/data/"_s;
    Nginx nginx;
    nginx.start(site);
    writeFile(site + u"monster.txt"_s, appinfo::runningVersion().toLatin1());
    writeIni(m_prefix + u"/bin"_s, nginx.url);
    const auto logged = [&](const QByteArray &text) {
        return readFile(nginx.prefix.filePath(u"access.log"_s)).count(text);
    };
    // The maker publishes release n, waiting for nvpublish to end when asked.
    Process publisher;
    const auto publish = [&](int n, bool wait = true) {
        makeRelease(source, n);
        publisher.start(u"" NV_PUBLISH_PATH ""_s, {source, site, nginx.url});
        QVERIFY(!wait || (publisher.waitForFinished(60000) && publisher.exitCode() == 0));
    };
    const auto release = [&](const QString &name) { return readFile(site + u"monster/"_s + name); };
    Process player;
    const auto update = [&] {
        start(player, m_prefix + u"/bin/nvmonster"_s, dir.path());
        QVERIFY(keys(waitForWindow(u"Database Update"_s, player.processId()), {u"Return"_s}));
        QVERIFY(!waitForWindow(u"Updating Monster Database"_s, player.processId()).isEmpty());
    };
    // The run ends on the release of `version` and `list`: the data folder holds that list,
    // every file with the bytes at the address it gives, and nothing else.
    const auto endsOn = [&](const QByteArray &version, const QByteArray &list) {
        const QByteArray vers = '"' + version.trimmed() + "\"\r\n";
        QTRY_COMPARE_WITH_TIMEOUT(readFile(data + u"vers.dat"_s), vers, 30000);
        Files files{{u"vers.dat"_s, vers}, {u"update.dat"_s, list + "\r\n"}};
        for (const UpdateEntry &entry : readUpdateList(windows1252::decode(list)).entries)
            files.insert(entry.fileName,
                         readFile(site + QUrl::fromPercentEncoding(
                                             entry.url.mid(nginx.url.size()).toUtf8())));
        QVERIFY(snapshot(data) == files);
    };

    QCOMPARE(QProcess::execute(u"cp"_s, {u"-r"_s, installed, source}), 0);
    publish(2);
    const QByteArray second = release(u"vers.dat"_s), secondList = release(u"update.dat"_s);
    const QByteArray installedVersion = readFile(installed + u"vers.dat"_s);
    update();
    QTRY_VERIFY_WITH_TIMEOUT(logged(after) > 0, 20000);
    if (meanwhile == u"publish") {
        publish(3);
        QCOMPARE(readFile(data + u"vers.dat"_s), installedVersion); // still downloading
    } else if (meanwhile == u"kill player") {
        player.kill();
        QVERIFY(player.waitForFinished());
        QCOMPARE(readFile(data + u"vers.dat"_s), installedVersion);
        update();
    } else {
        writeFiles(source, {{u"zz.bin"_s, "sparse 300000000"}}); // long enough to copy
        const uint releases = QDir(site + u"monster/files/"_s).count();
        publish(3, false);
        QTRY_VERIFY_WITH_TIMEOUT(QDir(site + u"monster/files/"_s).count() > releases, 20000);
        publisher.kill();
        publisher.waitForFinished();
        QCOMPARE(release(u"update.dat"_s), secondList); // the site still serves the last one
        QFile::remove(source + u"zz.bin"_s);
    }
    endsOn(second, secondList);

    // The next start offers the newer release (a killed nvpublish run again first), and its
    // update brings exactly the maker's folder, fetching only what changed.
    player.kill();
    QVERIFY(player.waitForFinished());
    if (meanwhile != u"publish")
        publish(3);
    const qsizetype unchanged = logged("/bogslime.gif ");
    update();
    endsOn(release(u"vers.dat"_s), release(u"update.dat"_s));
    QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, source, data}), 0);
    QCOMPARE(logged("/bogslime.gif "), unchanged);
    // Nothing was written into the installation.
    QCOMPARE(QProcess::execute(u"diff"_s, {u"-r"_s, u"" NV_SAMPLE_DATA_DIR ""_s, installed}), 0);
}

QTEST_GUILESS_MAIN(TestPublishRoundTrip)
#include "tst_publishroundtrip.moc"
