// Start-up times of the real program, under an X server (xvfb-run), with the version
// checks answered by a loopback server:
//   bench_startup <runs> <nvmonster> <data folder> <bare window program> [large database]
// 1. With the start-up checks switched off: from start to the first window shown, against
//    a bare Qt window program, alternating so that both see the same machine.
// 2. With both checks on and current: from start to the main window shown (the splash
//    stays for its three seconds in between).
// 3. With a server that accepts and never answers: from start to the main window shown, and
//    from a key on the splash to the main window shown.
// 4. Given a large database: with the sample data and with the large one, side by side,
//    from the end of the splash (by a key, as its timer ends it) to the main window shown,
//    and the program's resident memory with its main window open.
// The program runs from a program folder of its own, with an nvmonster.ini pointing at
// the loopback server, and a settings folder of its own (XDG_CONFIG_HOME).
#include "appinfo.h"
#include "settingsstore.h"
#include "testserver.h"
#include "xstart.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

void copyFolder(const QString &from, const QString &to);

// A program folder: the program, its data folder (its database replaced by `database` when
// given) and its nvmonster.ini.
std::string installProgram(const QString &folder, const char *executable, const char *data,
                           const QByteArray &ini, const QString &database)
{
    QDir().mkpath(folder);
    const QString program = folder + u"/nvmonster"_s;
    QFile::copy(QString::fromLocal8Bit(executable), program);
    QFile::setPermissions(program, QFile::permissions(QString::fromLocal8Bit(executable)));
    copyFolder(QString::fromLocal8Bit(data), folder + u"/data"_s);
    if (!database.isEmpty()) {
        QFile::remove(folder + u"/data/cml.nmd"_s);
        QFile::copy(database, folder + u"/data/cml.nmd"_s);
    }
    QFile file(folder + u"/nvmonster.ini"_s);
    if (file.open(QIODevice::WriteOnly))
        file.write(ini);
    return program.toStdString();
}

void copyFolder(const QString &from, const QString &to)
{
    const QDir source(QFileInfo(from).absoluteFilePath());
    QDirIterator it(source.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + u'/' + source.relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: bench_startup <runs> <nvmonster> <data folder> "
                             "<bare program> [large database]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X server in DISPLAY\n");
        return 2;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    TestServer server;
    QFile versionFile(QString::fromLocal8Bit(argv[3]) + QStringLiteral("/vers.dat"));
    versionFile.open(QIODevice::ReadOnly);
    QByteArray version = versionFile.readAll().trimmed();
    version.replace('"', "");
    server.setBody(QStringLiteral("/monster.txt"), appinfo::runningVersion().toLatin1());
    server.setBody(QStringLiteral("/monster/vers.dat"), version + "\r\n");

    QTemporaryDir root;
    const QByteArray ini =
        "[endpoints]\nProgramVersionUrl=" + server.urlText(u"/monster.txt"_s).toUtf8() +
        "\nDatabaseVersionUrl=" + server.urlText(u"/monster/vers.dat"_s).toUtf8() +
        "\nUpdateListUrl=" + server.urlText(u"/monster/update.dat"_s).toUtf8() + "\n";
    const std::string program =
        installProgram(root.filePath(u"program"_s), argv[2], argv[3], ini, {});
    const std::string checksOff = root.filePath(QStringLiteral("off")).toStdString();
    const std::string checksOn = root.filePath(QStringLiteral("on")).toStdString();
    const std::string bareConfig = root.filePath(QStringLiteral("bare")).toStdString();
    {
        SettingsStore store(QString::fromStdString(checksOff) +
                            QStringLiteral("/nvmonster/settings.sqlite"));
        store.save(QStringLiteral("settings"), QStringLiteral("progupdates"), QStringLiteral("0"));
        store.save(QStringLiteral("settings"), QStringLiteral("dbupdates"), QStringLiteral("0"));
    }

    const std::string &programPath = program;
    const std::string splashTitle = appinfo::title().toStdString();
    const std::string mainTitle = splashTitle + " Beta";
    std::vector<double> first, bare, mainWindow;
    for (int run = -1; run < runs; ++run) { // the first round warms the caches
        const double a = xstart::timeStart(connection, programPath.c_str(), splashTitle, checksOff);
        const double b = xstart::timeStart(connection, argv[4], "bare", bareConfig);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "a window did not show\n");
            return 1;
        }
        if (run >= 0) {
            first.push_back(a);
            bare.push_back(b);
        }
    }
    for (int run = 0; run < std::max(3, runs / 4); ++run) {
        const double ms = xstart::timeStart(connection, programPath.c_str(), mainTitle, checksOn);
        if (ms < 0) {
            std::fprintf(stderr, "the main window did not show\n");
            return 1;
        }
        mainWindow.push_back(ms);
    }

    // A server that accepts and never answers (a captive portal, a firewall that drops
    // packets): left alone, and with a key on the splash half a second after it shows.
    server.setReply(u"/silent.txt"_s, {.delayMs = 600000});
    const QByteArray silentUrl = server.urlText(u"/silent.txt"_s).toUtf8();
    const std::string silent = installProgram(root.filePath(u"silent"_s), argv[2], argv[3],
                                              "[endpoints]\nProgramVersionUrl=" + silentUrl +
                                                  "\nDatabaseVersionUrl=" + silentUrl + "\n",
                                              {});
    std::vector<double> silentWait, silentKey;
    for (int run = 0; run < 3; ++run) {
        silentWait.push_back(xstart::timeStart(connection, silent.c_str(), mainTitle, checksOn));
        const xstart::Start start =
            xstart::run(connection, silent.c_str(), {splashTitle, mainTitle}, checksOn, 500);
        silentKey.push_back(start.mapped[1] < 0 ? -1 : start.mapped[1] - start.pressed);
    }

    // Sample and large data alternately, so that both see the same machine.
    std::vector<double> afterSplash[2];
    std::vector<double> resident[2];
    qint64 largeSize = 0;
    if (argc == 6) {
        const std::string large = installProgram(root.filePath(u"large"_s), argv[2], argv[3], ini,
                                                 QString::fromLocal8Bit(argv[5]));
        largeSize = QFileInfo(QString::fromLocal8Bit(argv[5])).size();
        for (int run = -1; run < std::max(3, runs / 4); ++run) {
            for (int data = 0; data < 2; ++data) {
                // The splash is ended by a key after 2.5 s, by when the checks are long over
                // and the database read: the same end as its timer's.
                const xstart::Start start =
                    xstart::run(connection, (data ? large : programPath).c_str(),
                                {splashTitle, mainTitle}, checksOff, 2500);
                if (start.mapped[1] < 0 || start.pressed < 0) {
                    std::fprintf(stderr, "the main window did not show\n");
                    return 1;
                }
                if (run >= 0) {
                    afterSplash[data].push_back(start.mapped[1] - start.pressed);
                    resident[data].push_back(double(start.residentKiB));
                }
            }
        }
    }

    std::printf("start to first window shown, checks off, median of %d runs:\n", runs);
    std::printf("  %-32s %8.1f ms\n", "nvmonster (splash)", xstart::median(first));
    std::printf("  %-32s %8.1f ms\n", "bare Qt window", xstart::median(bare));
    std::printf("  ratio %.2f\n", xstart::median(first) / xstart::median(bare));
    std::printf("start to main window shown, both checks answered on loopback, %zu runs:\n",
                mainWindow.size());
    std::printf("  median %.1f ms, slowest %.1f ms\n", xstart::median(mainWindow),
                *std::max_element(mainWindow.begin(), mainWindow.end()));
    std::printf("a server that never answers, %zu runs: start to main window shown %.1f ms "
                "(slowest %.1f ms); a key on the splash to main window shown %.1f ms\n",
                silentWait.size(), xstart::median(silentWait),
                *std::max_element(silentWait.begin(), silentWait.end()), xstart::median(silentKey));
    if (argc == 6) {
        std::printf("end of the splash to the main window shown, checks off, "
                    "median of %zu runs:\n",
                    afterSplash[0].size());
        const double sample = xstart::median(afterSplash[0]),
                     large = xstart::median(afterSplash[1]);
        std::printf("  %-32s %8.1f ms\n  %-32s %8.1f ms\n  ratio %.2f\n", "sample data", sample,
                    "large data", large, large / sample);
        const double sampleBytes = xstart::median(resident[0]) * 1024;
        const double largeBytes = xstart::median(resident[1]) * 1024;
        std::printf("resident memory with the main window open:\n  %-32s %8.1f MB\n"
                    "  %-32s %8.1f MB\n  above the sample: %.1f MB, %.2f times the large "
                    "file's %.1f MB\n",
                    "sample data", sampleBytes / 1e6, "large data", largeBytes / 1e6,
                    (largeBytes - sampleBytes) / 1e6,
                    (largeBytes - sampleBytes) / double(largeSize), double(largeSize) / 1e6);
    }
    xcb_disconnect(connection);
    return 0;
}
