#include "updatecheck.h"

#include "appinfo.h"
#include "versionfile.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace updatecheck {
namespace {

bool usable(const std::optional<QString> &reply)
{
    return reply && versionfile::isVersion(*reply);
}

// Why a reply tells nothing, for the user.
QString whyUnusable(const Reply &reply)
{
    if (!reply.text)
        return reply.error;
    return u"the server sent a web page instead of a version"_s;
}

} // namespace

bool offersNewProgram(const std::optional<QString> &reply, const QString &runningVersion)
{
    return usable(reply) && *reply != runningVersion;
}

bool programCountsAsCurrent(Mode mode, const std::optional<QString> &reply,
                            const QString &runningVersion)
{
    // A failed transfer tells as little as a web page in place of the version text; at
    // start-up no answer counts as current, so the database is still compared.
    if (!usable(reply))
        return mode == Mode::Startup;
    return *reply == runningVersion;
}

bool databaseDiffers(Mode mode, const QString &local, const std::optional<QString> &reply)
{
    if (!usable(reply))
        return false;
    // At start-up an empty reply is no information; the manual check compares it.
    if (mode == Mode::Startup && reply->isEmpty())
        return false;
    return versionfile::databaseVersionsDiffer(local, *reply);
}

QString newVersionTitle()
{
    return u"New Version Availible"_s;
}

QString newVersionPrompt(const QString &runningVersion, const QString &reply,
                         const QString &downloadPageUrl)
{
    return u"There is a new version of the Norvalen English Beta Monster Database availible "
           "for download.\r\n\r\nYour Version: "_s +
           runningVersion + u"\r\nNew Version: "_s + reply + u"\r\n\r\nWould you like to goto "_s +
           downloadPageUrl + u" to download the new version?"_s;
}

QString databaseUpdateTitle()
{
    return u"Database Update"_s;
}

QString databaseUpdatePrompt()
{
    return u"There have been updates to the Monster Database. Would you like to download "
           "them now?"_s;
}

QString noUpdatesTitle()
{
    return u"No Updates"_s;
}

QString noUpdatesPrompt()
{
    return u"There are no program or database updates available at this time."_s;
}

} // namespace updatecheck

using namespace updatecheck;

UpdateCheck::UpdateCheck(Mode mode, bool programStep, bool databaseStep, Urls urls, Hooks hooks,
                         QObject *parent)
    : QObject(parent)
    , m_mode(mode)
    , m_programStep(programStep)
    , m_databaseStep(databaseStep)
    , m_urls(std::move(urls))
    , m_hooks(std::move(hooks))
{}

template <typename Arg> std::function<void(Arg)> UpdateCheck::later(void (UpdateCheck::*step)(Arg))
{
    return [self = QPointer(this), step](Arg arg) {
        if (self)
            (self->*step)(arg);
    };
}

void UpdateCheck::start()
{
    if (!m_programStep)
        return databaseStep();
    m_hooks.fetchText(m_urls.programVersion, later(&UpdateCheck::programReplied));
}

void UpdateCheck::programReplied(const Reply &reply)
{
    const QString running = appinfo::runningVersion();
    m_programIsCurrent = programCountsAsCurrent(m_mode, reply.text, running);
    if (!usable(reply.text))
        m_outcome.programFailure = whyUnusable(reply);
    if (!offersNewProgram(reply.text, running))
        return databaseStep();
    m_outcome.updatesFound = true;
    m_hooks.askYesNo(newVersionTitle(), newVersionPrompt(running, *reply.text, m_urls.downloadPage),
                     [self = QPointer(this)](bool yes) {
                         if (!self)
                             return;
                         if (yes)
                             self->m_hooks.openPage(self->m_urls.downloadPage);
                         self->databaseStep();
                     });
}

void UpdateCheck::databaseStep()
{
    if (!m_databaseStep)
        return finish();
    m_localVersion = m_hooks.localDatabaseVersion().value_or(QString());
    m_hooks.fetchText(m_urls.databaseVersion, later(&UpdateCheck::databaseReplied));
}

void UpdateCheck::databaseReplied(const Reply &reply)
{
    // One failed transfer is tried again; a second failure is taken as no answer.
    if (!reply.text && !m_retried) {
        m_retried = true;
        return m_hooks.fetchText(m_urls.databaseVersion, later(&UpdateCheck::databaseReplied));
    }
    if (!usable(reply.text))
        m_outcome.databaseFailure = whyUnusable(reply);
    if (!m_programIsCurrent || !databaseDiffers(m_mode, m_localVersion, reply.text))
        return finish();
    m_outcome.updatesFound = true;
    m_hooks.askYesNo(databaseUpdateTitle(), databaseUpdatePrompt(),
                     [self = QPointer(this)](bool yes) {
                         if (!self)
                             return;
                         self->m_outcome.openDownloader = yes;
                         self->finish();
                     });
}

void UpdateCheck::finish()
{
    emit finished(m_outcome);
}
