#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// The two version checks: is there a newer program, and has the database changed? Run at
// start-up (as the settings allow) and on demand from the menu; the two differ in a few
// points, chosen by the mode.
namespace updatecheck {

enum class Mode { Startup, Manual };

// A fetched text, or why there is none.
struct Reply
{
    std::optional<QString> text;
    QString error;
};

// What the checks need from the world; tests give their own. Each asynchronous hook calls
// its continuation once, later or at once.
struct Hooks
{
    std::function<void(const QString &url, std::function<void(const Reply &)> done)> fetchText;
    // Asks a question with Yes and No (Yes the default).
    std::function<void(const QString &title, const QString &prompt,
                       std::function<void(bool yes)> answered)>
        askYesNo;
    // Opens a web page in the browser; nothing waits for it.
    std::function<void(const QString &url)> openPage;
    // The local database version; nothing when the version file cannot be read.
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
    // Why a step could not tell whether there is an update; empty when it could.
    QString programFailure;
    QString databaseFailure;
};

// The decisions, step by step.
// Whether the program-version reply (nothing: the transfer failed) offers a new program.
bool offersNewProgram(const std::optional<QString> &reply, const QString &runningVersion);
// Whether the database comparison may run after that reply: a current program, or at
// start-up no usable answer at all.
bool programCountsAsCurrent(Mode mode, const std::optional<QString> &reply,
                            const QString &runningVersion);
// Whether the database step finds an update.
bool databaseDiffers(Mode mode, const QString &local, const std::optional<QString> &reply);

// The questions and the message of the checks.
QString newVersionTitle();
QString newVersionPrompt(const QString &runningVersion, const QString &reply,
                         const QString &downloadPageUrl);
QString databaseUpdateTitle();
QString databaseUpdatePrompt();
QString noUpdatesTitle();
QString noUpdatesPrompt();

} // namespace updatecheck

// One run of the checks: the program-version step when asked for, then the database step
// when asked for (the manual check always runs both), each question asked in turn.
// Deleting the check ends it: nothing more is fetched or asked.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    UpdateCheck(updatecheck::Mode mode, bool programStep, bool databaseStep, updatecheck::Urls urls,
                updatecheck::Hooks hooks, QObject *parent = nullptr);

    void start();

signals:
    void finished(const updatecheck::Outcome &outcome);

private:
    void programReplied(const updatecheck::Reply &reply);
    void databaseStep();
    void databaseReplied(const updatecheck::Reply &reply);
    void finish();
    // A continuation that does nothing once the check is gone.
    template <typename Arg> std::function<void(Arg)> later(void (UpdateCheck::*step)(Arg));

    updatecheck::Mode m_mode;
    bool m_programStep;
    bool m_databaseStep;
    updatecheck::Urls m_urls;
    updatecheck::Hooks m_hooks;
    bool m_programIsCurrent = false;
    bool m_retried = false;
    QString m_localVersion;
    updatecheck::Outcome m_outcome;
};
