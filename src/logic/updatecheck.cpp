#include "updatecheck.h"

#include "appinfo.h"
#include "versionfile.h"

namespace updatecheck {

QString newVersionTitle()
{
    return QStringLiteral("New Version Availible");
}

QString newVersionPrompt(const QString &runningVersion, const QString &reply,
                         const QString &downloadPageUrl)
{
    return QStringLiteral("There is a new version of the Norvalen English Beta Monster Database "
                          "availible for download.\r\n\r\nYour Version: ") +
           runningVersion + QStringLiteral("\r\nNew Version: ") + reply +
           QStringLiteral("\r\n\r\nWould you like to goto ") + downloadPageUrl +
           QStringLiteral(" to download the new version?");
}

QString databaseUpdateTitle()
{
    return QStringLiteral("Database Update");
}

QString databaseUpdatePrompt()
{
    return QStringLiteral("There have been updates to the Monster Database. Would you like to "
                          "download them now?");
}

QString noUpdatesTitle()
{
    return QStringLiteral("No Updates");
}

QString noUpdatesPrompt()
{
    return QStringLiteral("There are no program or database updates available at this time.");
}

Outcome run(Mode mode, bool programStep, bool databaseStep, const Urls &urls, const Hooks &hooks)
{
    Outcome outcome;
    bool programIsCurrent = false;

    if (programStep) {
        // A failed transfer tells as little as a web page in place of the version text.
        const std::optional<QString> reply = hooks.fetchText(urls.programVersion);
        if (!reply || versionfile::isWebPage(*reply)) {
            // At start-up no answer counts as current, so the database is still compared.
            programIsCurrent = mode == Mode::Startup;
        } else if (*reply != appinfo::runningVersion()) {
            outcome.updatesFound = true;
            if (hooks.askYesNo(newVersionTitle(), newVersionPrompt(appinfo::runningVersion(),
                                                                   *reply, urls.downloadPage)))
                hooks.openPage(urls.downloadPage);
        } else {
            programIsCurrent = true;
        }
    }

    if (!databaseStep)
        return outcome;

    const QString local = hooks.localDatabaseVersion().value_or(QString());
    // One failed transfer is tried again; a second failure is taken as no answer.
    std::optional<QString> reply = hooks.fetchText(urls.databaseVersion);
    if (!reply)
        reply = hooks.fetchText(urls.databaseVersion);
    if (!programIsCurrent || !reply || versionfile::isWebPage(*reply))
        return outcome;
    // At start-up an empty reply is no information; the manual check compares it.
    if (mode == Mode::Startup && reply->isEmpty())
        return outcome;
    if (versionfile::databaseVersionsDiffer(local, *reply)) {
        outcome.updatesFound = true;
        outcome.openDownloader = hooks.askYesNo(databaseUpdateTitle(), databaseUpdatePrompt());
    }
    return outcome;
}

} // namespace updatecheck
