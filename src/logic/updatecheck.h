#pragma once

#include <QString>
#include <functional>
#include <optional>

// The two version checks: is there a newer program, and has the database changed? Run at
// start-up (as the settings allow) and on demand from the menu; the two differ in a few
// points, chosen by the mode.
namespace updatecheck {

enum class Mode { Startup, Manual };

// What the checks need from the world; tests give their own.
struct Hooks
{
    // The text at a URL, or nothing when the transfer failed.
    std::function<std::optional<QString>(const QString &url)> fetchText;
    // Asks a question with Yes and No (Yes the default); true for Yes.
    std::function<bool(const QString &title, const QString &prompt)> askYesNo;
    // Opens a web page in the browser; nothing waits for it.
    std::function<void(const QString &url)> openPage;
    // The local database version; nothing when vers.dat cannot be read.
    std::function<std::optional<QString>()> localDatabaseVersion;
};

struct Urls
{
    QString programVersion;
    QString databaseVersion;
    QString downloadPage;
};

struct Outcome
{
    // The user wants the database update: the downloader takes over.
    bool openDownloader = false;
    // A question was shown, whatever its answer.
    bool updatesFound = false;
};

// Runs the program-version step when `programStep` is set, then the database step when
// `databaseStep` is set (the manual check always runs both).
Outcome run(Mode mode, bool programStep, bool databaseStep, const Urls &urls, const Hooks &hooks);

// The questions and the message of the checks.
QString newVersionTitle();
QString newVersionPrompt(const QString &runningVersion, const QString &reply,
                         const QString &downloadPageUrl);
QString databaseUpdateTitle();
QString databaseUpdatePrompt();
QString noUpdatesTitle();
QString noUpdatesPrompt();

} // namespace updatecheck
