#pragma once

#include "settingsstore.h"
#include "testsupport.h"

#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Runs the real program as a user does: a copy of the executable in a program folder of
// its own, with its data folder and nvmonster.ini, on an X server of its own (Xvfb), its
// windows found and driven through xdotool. A user's folders ("home") hold config/ and
// share/, which the program is given as XDG_CONFIG_HOME and XDG_DATA_HOME.
namespace realprogram {

using namespace Qt::StringLiterals;

inline const QString kMainTitle = u"Norvalen English Beta Monster Database Beta"_s;
inline const QString kAppTitle = u"Norvalen English Beta Monster Database"_s;

// A process ended with its owner (QProcess alone warns when destroyed while running).
struct Process : QProcess
{
    ~Process() override
    {
        terminate();
        waitForFinished();
    }
};

// Runs a program to its end: what it printed, or nothing when it failed.
inline QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(120000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return ok ? process.readAllStandardOutput() : QByteArray();
}

inline bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

// An X server (Xvfb) on a free display, which DISPLAY then names; with a window manager
// (openbox) when asked, so that frames, placement and focus are those users meet.
struct Desktop
{
    Process server, manager;

    void start(bool withManager = false, const QString &screen = u"1024x768"_s)
    {
        // Its log would fill a pipe nobody reads, and a blocked server answers no client.
        server.setStandardErrorFile(QProcess::nullDevice());
        // By default the server resets when its last client leaves and refuses connections
        // meanwhile; a killed program is often that last client.
        server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, screen + u"x24"_s,
                                 u"-nolisten"_s, u"tcp"_s, u"-noreset"_s});
        QVERIFY2(server.waitForStarted(), "Xvfb is not installed");
        // Xvfb tells its display number once it accepts clients.
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        qputenv("DISPLAY", ":" + server.readLine().trimmed());
        if (!withManager)
            return;
        manager.setStandardErrorFile(QProcess::nullDevice());
        manager.start(u"openbox"_s, {u"--sm-disable"_s});
        QVERIFY2(manager.waitForStarted(), "openbox is not installed");
        QTRY_VERIFY_WITH_TIMEOUT(
            run(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}).contains("window id"),
            20000);
    }
};

// The outer frame of a window (its client area and the frame the window manager added), in
// screen coordinates; empty when the window is gone or not yet framed. (xwininfo, whose
// absolute corner is right where xdotool's counts the frame twice.)
inline QRect frameOf(const QByteArray &window)
{
    const QRegularExpressionMatch m =
        QRegularExpression(u"Absolute upper-left X: *(-?\\d+).*?Y: *(-?\\d+).*?Width: (\\d+).*?"
                           "Height: (\\d+).*Frame extents: (\\d+), (\\d+), (\\d+), (\\d+)"_s,
                           QRegularExpression::DotMatchesEverythingOption)
            .match(QString::fromLatin1(run(
                u"xwininfo"_s, {u"-stats"_s, u"-wm"_s, u"-id"_s, QString::fromLatin1(window)})));
    const auto n = [&m](int i) { return m.captured(i).toInt(); };
    // Frame extents: left, right, top, bottom.
    return m.hasMatch() ? QRect(n(1), n(2), n(3), n(4)).adjusted(-n(5), -n(7), n(6), n(8))
                        : QRect();
}

// The ids of the visible windows whose title is exactly `title`, of process `pid` when
// given.
inline QList<QByteArray> findWindows(const QString &title, qint64 pid = 0)
{
    // --all: a window must match every condition, not any one of them.
    QStringList arguments{u"search"_s, u"--all"_s, u"--onlyvisible"_s};
    if (pid)
        arguments << u"--pid"_s << QString::number(pid);
    arguments << u"--name"_s << u'^' + QRegularExpression::escape(title) + u'$';
    QList<QByteArray> ids = run(u"xdotool"_s, arguments).split('\n');
    ids.removeAll(QByteArray());
    return ids;
}

// Waits for a window titled `title` and returns it; empty, the test failed, when none comes.
inline QByteArray waitForWindow(const QString &title, qint64 pid = 0, int timeout = 20000)
{
    QByteArray window;
    [&] {
        QTRY_VERIFY2_WITH_TIMEOUT(!(window = findWindows(title, pid).value(0)).isEmpty(),
                                  qPrintable(title), timeout);
    }();
    return window;
}

// Focuses a window and sends it keys, as a user at the keyboard.
inline bool keys(const QByteArray &window, const QStringList &keys)
{
    return xdotool({u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(window)}) &&
           xdotool(QStringList{u"key"_s} + keys);
}

// Copies the executable into `folder`, which is there already, beside which its data
// folder and nvmonster.ini go, with a data file of `records` when given.
inline QString installProgram(const QString &folder, const QList<QStringList> &records = {})
{
    const QString program = folder + u"/nvmonster"_s;
    if (!records.isEmpty())
        testsupport::writeFile(folder + u"/data/cml.nmd"_s, testsupport::dataFile(records));
    if (!QFile::copy(u"" NV_PROGRAM_PATH ""_s, program))
        return {};
    QFile::setPermissions(program, QFile::permissions(u"" NV_PROGRAM_PATH ""_s));
    return program;
}

// nvmonster.ini in `folder`, sending the version checks, the update list and feedback to
// `server` (an address ending in "/"); links open in a "browser" that does nothing.
inline void writeIni(const QString &folder, const QString &server)
{
    testsupport::writeFile(folder + u"/nvmonster.ini"_s,
                           u"[endpoints]\nProgramVersionUrl=%1monster.txt\n"
                           "DatabaseVersionUrl=%1monster/vers.dat\n"
                           "UpdateListUrl=%1monster/update.dat\nFeedbackUrl=%1send1.php\n"
                           "[browser]\nBrowserPath=true\n"_s.arg(server)
                               .toUtf8());
}

// The settings store of the user whose folders are in `home`.
inline SettingsStore settings(const QString &home)
{
    return SettingsStore(home + u"/config/nvmonster/settings.sqlite"_s);
}

// Switches both start-up checks on or off.
inline void setChecks(const QString &home, bool on)
{
    for (const QString &key : {u"progupdates"_s, u"dbupdates"_s})
        settings(home).save(u"settings"_s, key, on ? u"1"_s : u"0"_s);
}

// Starts `program` for the user whose folders are in `home`.
inline void start(QProcess &process, const QString &program, const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
    environment.insert(u"XDG_DATA_HOME"_s, home + u"/share"_s);
    // A desktop session always has the user's private runtime folder.
    QDir().mkpath(home + u"/runtime"_s);
    QFile::setPermissions(home + u"/runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(u"XDG_RUNTIME_DIR"_s, home + u"/runtime"_s);
    environment.remove(u"QT_QPA_PLATFORM"_s);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
}

// Starts `program`, ends its splash with a key and returns the main window; empty when
// either does not come.
inline QByteArray startToMain(QProcess &process, const QString &program, const QString &home)
{
    start(process, program, home);
    const QByteArray splash = waitForWindow(kAppTitle, process.processId());
    if (!keys(splash, {u"space"_s}))
        return {};
    return waitForWindow(kMainTitle, process.processId());
}

} // namespace realprogram
