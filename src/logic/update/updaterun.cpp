#include "updaterun.h"

#include "httpfetcher.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QPointer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The local list is rewritten at most this often while files arrive (and always at the
// end): rewriting it after every one of many small files would cost more than the files.
// A run cut short in between only fetches those files again.
constexpr qint64 kListWriteMs = 500;

} // namespace

UpdateRun::UpdateRun(Config config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_fetcher(new HttpFetcher(this))
{
    m_fetcher->setObjectName(u"Inet"_s);
}

UpdateRun::~UpdateRun() = default;

void UpdateRun::setNotFoundHandler(
    std::function<void(const QString &, std::function<void()>)> handler)
{
    m_notFound = std::move(handler);
}

void UpdateRun::start()
{
    if (m_running)
        return;
    m_running = true;
    emit step(u"Getting Versions..."_s);
    m_fetcher->get(m_config.transfers.versionFile(m_config.databaseVersionUrl, true), this,
                   [this](const FetchResult &result) { versionArrived(result); });
}

void UpdateRun::versionArrived(const FetchResult &result)
{
    // Without a version the files still come; the next check then offers the update again.
    m_version = HttpFetcher::text(result);
    if (!result.ok)
        m_versionProblem = result.error;
    else if (!versionfile::isVersion(m_version))
        m_versionProblem = u"the server sent a web page instead of a version"_s;
    else if (m_version.isEmpty())
        m_versionProblem = u"the server sent no version"_s;
    if (!m_versionProblem.isEmpty())
        emit fileFailed(DataFolder::versionName(), m_versionProblem);
    m_fetcher->get(m_config.transfers.updateList(m_config.updateListUrl), this,
                   [this](const FetchResult &result) { listArrived(result); });
}

void UpdateRun::listArrived(const FetchResult &result)
{
    emit step(u"Comparing versions..."_s);
    QString problem;
    UpdateList remote;
    if (!result.ok) {
        problem = result.error;
    } else {
        m_remoteText = HttpFetcher::text(result);
        remote = readUpdateList(m_remoteText);
        if (versionfile::isWebPage(m_remoteText))
            problem = u"the server sent a web page instead of the update list"_s;
        else if (!remote.readable)
            problem = remote.problem;
    }
    if (!problem.isEmpty()) {
        // Nothing is downloaded and no file changes on a list that makes no sense.
        fail(DataFolder::listName(), problem);
        emit step(u"No files updated: the update list could not be read."_s);
        m_running = false;
        emit finished(failureSummary());
        return;
    }

    for (const UpdateEntry &entry : readLocalListFile(m_config.folder.listFile()))
        recordStored(entry);
    m_listDirty = false;
    markNeededEntries(remote.entries, m_onDisk);
    for (const UpdateEntry &entry : std::as_const(remote.entries)) {
        if (entry.needsUpdate)
            m_needed.append(entry);
    }
    if (m_needed.isEmpty())
        return finish();
    emit step(m_needed.size() == 1 ? u"One file to update ..."_s
                                   : u"%1 files to update ..."_s.arg(m_needed.size()));
    m_progress = std::make_unique<DownloadProgress>(m_needed);
    emit percentChanged(m_progress->percent());
    m_sinceListWritten.start();
    downloadNext();
}

void UpdateRun::downloadNext()
{
    if (m_next == m_needed.size())
        return finish();
    const UpdateEntry &entry = m_needed[m_next];
    emit step(u"Downloading file %1 of %2..."_s.arg(m_next + 1).arg(m_needed.size()));
    const QString path = m_config.folder.file(entry.fileName);
    QString refusal;
    if (entry.size < 0) {
        refusal = u"the list gives no size from 0 to %1 bytes for it"_s.arg(kMaxFileSize);
    } else if (!storableEntry(entry)) {
        // The name points outside the data folder or at its own lists (no path), or the
        // entry could not be named in the local list afterwards.
        refusal = u"the list names it in a way that is not allowed"_s;
    } else if (!m_config.folder.holds(path)) {
        refusal = u"a link in the data folder leads outside it"_s;
    }
    if (!refusal.isEmpty()) {
        fail(entry.fileName, refusal);
        // Later, so that a list of many such entries cannot nest calls without end.
        QMetaObject::invokeMethod(this, &UpdateRun::fileDone, Qt::QueuedConnection);
        return;
    }
    emit fileStarted(entry.fileName, entry.size);
    m_fetcher->get(m_config.transfers.dataFile(entry.url, path, entry.size), this,
                   [this](const FetchResult &result) { fileArrived(result); });
}

void UpdateRun::fileArrived(const FetchResult &result)
{
    const UpdateEntry &entry = m_needed[m_next];
    if (!result.ok) {
        fail(entry.fileName, result.error);
        if (result.status != 404 || !m_notFound)
            return fileDone();
        // The list on disk names what is stored before the run waits on the user, who may
        // end the program meanwhile.
        writeLocalList(true);
        m_notFound(entry.fileName, [self = QPointer(this)] {
            if (self)
                self->fileDone();
        });
        return;
    }
    recordStored(entry);
    if (const QString why = writeLocalList(false); !why.isEmpty())
        fail(entry.fileName, DataFolder::listName() + u" cannot be written: "_s + why);
    else
        emit fileStored(entry.fileName);
    fileDone();
}

void UpdateRun::fileDone()
{
    emit percentChanged(m_progress->fileDone(m_needed[m_next]));
    ++m_next;
    downloadNext();
}

void UpdateRun::fail(const QString &fileName, const QString &reason)
{
    m_failures.append({fileName, reason});
    emit fileFailed(fileName, reason);
}

void UpdateRun::recordStored(const UpdateEntry &entry)
{
    // A name listed twice is where it first stood, at its last version.
    const auto at = m_onDiskAt.constFind(entry.fileName);
    if (at != m_onDiskAt.cend()) {
        m_onDisk[*at] = entry;
    } else {
        m_onDiskAt.insert(entry.fileName, m_onDisk.size());
        m_onDisk.append(entry);
    }
    m_onDisk[m_onDiskAt.value(entry.fileName)].needsUpdate = false;
    m_listDirty = true;
}

QString UpdateRun::writeLocalList(bool force)
{
    if (!m_listDirty || (!force && m_sinceListWritten.elapsed() < kListWriteMs))
        return {};
    // Once every file is stored the local list is the remote one, as the server wrote it.
    const bool everythingStored = m_failures.isEmpty() && m_next == m_needed.size();
    const QString text = everythingStored ? m_remoteText + u"\r\n"_s : listText(m_onDisk);
    m_sinceListWritten.start();
    QString why;
    if (!wholefile::write(m_config.folder.listFile(), windows1252::encode(text), &why))
        return why.isEmpty() ? u"unknown error"_s : why;
    m_listDirty = false;
    return {};
}

void UpdateRun::finish()
{
    if (m_needed.isEmpty()) {
        emit step(u"No files to update!"_s);
    } else {
        // A complete run leaves the remote list itself, written or not before.
        m_listDirty = m_listDirty || m_failures.isEmpty();
        if (const QString why = writeLocalList(true); !why.isEmpty())
            fail(DataFolder::listName(), why);
        emit step(m_failures.isEmpty() ? u"Done updating!"_s
                  : m_failures.size() == 1
                      ? u"Done updating, one file failed!"_s
                      : u"Done updating, %1 files failed!"_s.arg(m_failures.size()));
    }
    // The database claims the version it began with only when every file of it is on disk.
    if (m_failures.isEmpty() && m_versionProblem.isEmpty()) {
        QString why;
        if (!wholefile::write(m_config.folder.versionFile(), versionfile::localFileBytes(m_version),
                              &why))
            fail(DataFolder::versionName(), why);
    }
    emit percentChanged(100);
    const QString failures = failureSummary();
    emit step(failures.isEmpty() ? u"Finished Updating Database"_s
                                 : u"Database Update Incomplete"_s);
    m_running = false;
    emit finished(failures);
}

QString UpdateRun::failureSummary() const
{
    // Files that failed for one reason are named together: a full disk fails them all.
    QList<std::pair<QStringList, QString>> byReason;
    QList<std::pair<QString, QString>> failures = m_failures;
    if (!m_versionProblem.isEmpty())
        failures.prepend({DataFolder::versionName(), m_versionProblem});
    for (const auto &failure : std::as_const(failures)) {
        const auto same = std::find_if(byReason.begin(), byReason.end(), [&](const auto &group) {
            return group.second == failure.second;
        });
        if (same != byReason.end())
            same->first.append(failure.first);
        else
            byReason.append({{failure.first}, failure.second});
    }
    QStringList parts;
    for (const auto &[names, reason] : std::as_const(byReason))
        parts.append(names.join(u", "_s) + u": "_s + reason);
    return parts.join(u"; "_s);
}
