// Start-up times of the real program, under an X server (xvfb-run), with the version
// checks answered by a loopback server:
//   bench_startup <runs> <nvmonster> <data folder> <bare window program>
// 1. With the start-up checks switched off: from start to the first window shown, against
//    a bare Qt window program, alternating so that both see the same machine.
// 2. With both checks on and current: from start to the main window shown (the splash
//    stays for its three seconds in between).
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
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: bench_startup <runs> <nvmonster> <data folder> <bare program>\n");
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
    const QString folder = root.filePath(QStringLiteral("program"));
    QDir().mkpath(folder);
    const QString program = folder + QStringLiteral("/nvmonster");
    QFile::copy(QString::fromLocal8Bit(argv[2]), program);
    QFile::setPermissions(program, QFile::permissions(QString::fromLocal8Bit(argv[2])));
    copyFolder(QString::fromLocal8Bit(argv[3]), folder + QStringLiteral("/data"));
    QFile ini(folder + QStringLiteral("/nvmonster.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[endpoints]\nProgramVersionUrl=" + server.urlText(u"/monster.txt"_s).toUtf8() +
              "\nDatabaseVersionUrl=" + server.urlText(u"/monster/vers.dat"_s).toUtf8() +
              "\nUpdateListUrl=" + server.urlText(u"/monster/update.dat"_s).toUtf8() + "\n");
    ini.close();

    const std::string checksOff = root.filePath(QStringLiteral("off")).toStdString();
    const std::string checksOn = root.filePath(QStringLiteral("on")).toStdString();
    const std::string bareConfig = root.filePath(QStringLiteral("bare")).toStdString();
    {
        SettingsStore store(QString::fromStdString(checksOff) +
                            QStringLiteral("/nvmonster/settings.sqlite"));
        store.save(QStringLiteral("settings"), QStringLiteral("progupdates"), QStringLiteral("0"));
        store.save(QStringLiteral("settings"), QStringLiteral("dbupdates"), QStringLiteral("0"));
    }

    const std::string programPath = program.toStdString();
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

    std::printf("start to first window shown, checks off, median of %d runs:\n", runs);
    std::printf("  %-32s %8.1f ms\n", "nvmonster (splash)", xstart::median(first));
    std::printf("  %-32s %8.1f ms\n", "bare Qt window", xstart::median(bare));
    std::printf("  ratio %.2f\n", xstart::median(first) / xstart::median(bare));
    std::printf("start to main window shown, both checks answered on loopback, %zu runs:\n",
                mainWindow.size());
    std::printf("  median %.1f ms, slowest %.1f ms\n", xstart::median(mainWindow),
                *std::max_element(mainWindow.begin(), mainWindow.end()));
    xcb_disconnect(connection);
    return 0;
}
