#pragma once

#include "settingsstore.h"
#include "testsupport.h"

#include <QProcess>
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
