#pragma once

#include "settingsstore.h"
#include "testsupport.h"

#include <QHash>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Runs the real program as a user does: a copy of the executable in a program folder of
// its own, with its data folder and nvmonster.ini, on an X server of its own (Xvfb), its
// windows found and driven through xdotool.
namespace realprogram {

// Starts Xvfb on a free display and points DISPLAY at it; Xvfb tells its display number
// once it accepts clients.
inline void startXServer(QProcess &server)
{
    // Its log would fill a pipe nobody reads, and a blocked server answers no client.
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp"),
                  // By default the server resets when its last client leaves and refuses
                  // connections meanwhile; a killed program is often that last client.
                  QStringLiteral("-noreset")});
    QVERIFY2(server.waitForStarted(), "Xvfb is not installed");
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
    const QByteArray display = server.readLine().trimmed();
    QVERIFY(!display.isEmpty());
    qputenv("DISPLAY", ":" + display);
}

// Starts a real window manager (openbox) on the display, so that frames, placement and
// focus are those a user meets; returns once it manages windows.
inline void startWindowManager(QProcess &manager)
{
    manager.setStandardErrorFile(QProcess::nullDevice());
    manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    QVERIFY2(manager.waitForStarted(), "openbox is not installed");
    const auto running = [] {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        xprop.waitForFinished(5000);
        return xprop.readAllStandardOutput().contains("window id");
    };
    QTRY_VERIFY_WITH_TIMEOUT(running(), 20000);
}

// The outer frame of a window (its client area and the frame the window manager added),
// in screen coordinates; empty when the window is gone. (xwininfo, whose absolute corner is
// right where xdotool's counts the frame twice.)
inline QRect frameOf(const QByteArray &window)
{
    QProcess info, extents;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromLatin1(window)});
    extents.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::fromLatin1(window),
                                            QStringLiteral("_NET_FRAME_EXTENTS")});
    info.waitForFinished(5000);
    extents.waitForFinished(5000);
    QHash<QByteArray, int> client;
    for (const QByteArray &line : info.readAllStandardOutput().split('\n'))
        client.insert(line.split(':').value(0).trimmed(),
                      line.split(':').value(1).trimmed().toInt());
    const QList<QByteArray> sides = extents.readAllStandardOutput().split('=').value(1).split(',');
    const int left = sides.value(0).trimmed().toInt(), right = sides.value(1).trimmed().toInt();
    const int top = sides.value(2).trimmed().toInt(), bottom = sides.value(3).trimmed().toInt();
    if (!client.value("Width"))
        return {};
    return QRect(client.value("Absolute upper-left X") - left,
                 client.value("Absolute upper-left Y") - top, client.value("Width") + left + right,
                 client.value("Height") + top + bottom);
}

// A property of a window as xprop prints it, after the "=".
inline QByteArray windowProperty(const QByteArray &window, const char *name)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::fromLatin1(window), QString::fromLatin1(name)});
    xprop.waitForFinished(5000);
    return xprop.readAllStandardOutput().split('=').value(1).trimmed();
}

// Copies the executable into `folder`, beside which its data folder and nvmonster.ini go.
inline QString installProgram(const QString &folder)
{
    const QString program = folder + QStringLiteral("/nvmonster");
    QDir().mkpath(folder);
    if (!QFile::copy(QStringLiteral(NV_PROGRAM_PATH), program))
        return {};
    QFile::setPermissions(program, QFile::permissions(QStringLiteral(NV_PROGRAM_PATH)));
    return program;
}

inline void writeIni(const QString &folder, const QStringList &lines)
{
    testsupport::writeFile(folder + QStringLiteral("/nvmonster.ini"),
                           (QStringLiteral("[endpoints]\n") + lines.join(u'\n') + u'\n').toUtf8());
}

// Switches both start-up checks on or off in the store under `configHome`.
inline void setChecks(const QString &configHome, bool on)
{
    SettingsStore store(configHome + QStringLiteral("/nvmonster/settings.sqlite"));
    for (const char *key : {"progupdates", "dbupdates"})
        store.save(QStringLiteral("settings"), QString::fromLatin1(key),
                   on ? QStringLiteral("1") : QStringLiteral("0"));
}

// Starts the program with its settings under `configHome`, and with `environment` on
// top of this process's own.
inline void start(QProcess &process, const QString &program, const QString &configHome,
                  const QProcessEnvironment &extra = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(extra);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
}

inline bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// The ids of the visible windows whose title is exactly `title`, of process `pid` when
// given.
inline QList<QByteArray> findWindows(const QString &title, qint64 pid = 0)
{
    // --all: a window must match every condition, not any one of them.
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"),
                          QStringLiteral("--onlyvisible")};
    if (pid)
        arguments << QStringLiteral("--pid") << QString::number(pid);
    arguments << QStringLiteral("--name") << u'^' + QRegularExpression::escape(title) + u'$';
    QProcess search;
    search.start(QStringLiteral("xdotool"), arguments);
    search.waitForFinished(5000);
    QList<QByteArray> ids = search.readAllStandardOutput().split('\n');
    ids.removeAll(QByteArray());
    return ids;
}

inline QByteArray findWindow(const QString &title, qint64 pid = 0)
{
    return findWindows(title, pid).value(0);
}

// Focuses a window and sends it keys, as a user at the keyboard.
inline bool keys(const QByteArray &window, const QStringList &keys)
{
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                    QString::fromLatin1(window)}) &&
           xdotool(QStringList{QStringLiteral("key")} + keys);
}

inline const QString kMainTitle = QStringLiteral("Norvalen English Beta Monster Database Beta");
inline const QString kAppTitle = QStringLiteral("Norvalen English Beta Monster Database");

// Waits for the splash of a started program, ends it with a key, and returns the main
// window; empty when either does not come.
inline QByteArray skipSplash(const QProcess &process)
{
    QByteArray window;
    [&] {
        QByteArray splash;
        QTRY_VERIFY_WITH_TIMEOUT(!(splash = findWindow(kAppTitle, process.processId())).isEmpty(),
                                 20000);
        keys(splash, {QStringLiteral("space")});
        QTRY_VERIFY_WITH_TIMEOUT(!(window = findWindow(kMainTitle, process.processId())).isEmpty(),
                                 20000);
    }();
    return window;
}

} // namespace realprogram
