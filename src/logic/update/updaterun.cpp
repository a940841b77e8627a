#include "updaterun.h"

#include "httpfetcher.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QPointer>

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
    emit panelText(1, u"Getting Versions..."_s);
    m_fetcher->get(m_config.transfers.updateList(m_config.updateListUrl), this,
                   [this](const FetchResult &result) { listArrived(result); });
}

void UpdateRun::listArrived(const FetchResult &result)
{
    emit panelText(1, u"Comparing versions..."_s);
    QString problem;
    UpdateList remote;
    if (!result.ok) {
        problem = result.error;
    } else {
        m_remoteText = HttpFetcher::text(result);
        remote = readUpdateList(m_remoteText);
        if (versionfile::isWebPage(m_remoteText))
            problem = u"The server sent a web page instead of the update list."_s;
        else if (!remote.readable)
            problem = remote.problem;
    }
    if (!problem.isEmpty()) {
        // Nothing is downloaded and no file changes on a list that makes no sense.
        emit fileStatus(problem.front().toUpper() + problem.sliced(1));
        emit panelText(1, u"No files updated: the update list could not be read."_s);
        emit filesFinished();
        m_running = false;
        emit finished();
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
        return finishFiles();
    emit panelText(1, m_needed.size() == 1 ? u"One file to update ..."_s
                                           : u"%1 files to update ..."_s.arg(m_needed.size()));
    m_progress = std::make_unique<DownloadProgress>(m_needed);
    emit panelText(2, u"%1%"_s.arg(m_progress->percent()));
    m_sinceListWritten.start();
    downloadNext();
}

void UpdateRun::downloadNext()
{
    if (m_next == m_needed.size())
        return finishFiles();
    const UpdateEntry &entry = m_needed[m_next];
    emit panelText(1, u"Downloading file %1 of %2..."_s.arg(m_next + 1).arg(m_needed.size()));
    emit fileStatus(u"Downloading %1 (%2 bytes)..."_s.arg(entry.fileName).arg(entry.size));
    const QString path = storableEntry(entry) ? m_config.folder.file(entry.fileName) : QString();
    QString refusal;
    if (path.isEmpty()) {
        // The name points outside the data folder or at its own lists, or the entry could
        // not be named in the local list afterwards.
        refusal = u"the list names it in a way that is not allowed"_s;
    } else if (!m_config.folder.holds(path)) {
        refusal = u"a link in the data folder leads outside it"_s;
    }
    if (!refusal.isEmpty()) {
        emit fileStatus(u"Error downloading %1: %2"_s.arg(entry.fileName, refusal));
        // Later, so that a list of many such names cannot nest calls without end.
        QMetaObject::invokeMethod(
            this, [this] { fileDone(false); }, Qt::QueuedConnection);
        return;
    }
    m_fetcher->get(m_config.transfers.dataFile(entry.url, path, entry.size), this,
                   [this](const FetchResult &result) { fileArrived(result); });
}

void UpdateRun::fileArrived(const FetchResult &result)
{
    const UpdateEntry &entry = m_needed[m_next];
    if (result.ok) {
        recordStored(entry);
        if (!writeLocalList(false)) {
            emit fileStatus(u"Error writing "_s + DataFolder::listName());
            return fileDone(false);
        }
        emit fileStatus(QString());
        emit fileStatus2(entry.fileName + u" updated."_s);
        return fileDone(true);
    }
    emit fileStatus(u"Error downloading %1: %2"_s.arg(entry.fileName, result.error));
    if (result.status == 404 && m_notFound) {
        m_notFound(entry.fileName, [self = QPointer(this)] {
            if (self)
                self->fileDone(false);
        });
        return;
    }
    fileDone(false);
}

void UpdateRun::fileDone(bool stored)
{
    const UpdateEntry &entry = m_needed[m_next];
    if (!stored)
        m_failedNames.append(entry.fileName);
    const int percent = m_progress->fileDone(entry);
    emit progressChanged(percent);
    emit panelText(2, u"%1%"_s.arg(percent));
    ++m_next;
    downloadNext();
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

bool UpdateRun::writeLocalList(bool force)
{
    if (!m_listDirty || (!force && m_sinceListWritten.elapsed() < kListWriteMs))
        return true;
    // Once every file is stored the local list is the remote one, as the server wrote it.
    const bool everythingStored = m_failedNames.isEmpty() && m_next == m_needed.size();
    const QString text = everythingStored ? m_remoteText + u"\r\n"_s : listText(m_onDisk);
    m_sinceListWritten.start();
    if (!wholefile::write(m_config.folder.listFile(), windows1252::encode(text)))
        return false;
    m_listDirty = false;
    return true;
}

void UpdateRun::finishFiles()
{
    if (m_needed.isEmpty()) {
        emit panelText(1, u"No files to update!"_s);
    } else {
        // A complete run leaves the remote list itself, written or not before.
        m_listDirty = m_listDirty || m_failedNames.isEmpty();
        if (!writeLocalList(true))
            emit fileStatus(u"Error writing "_s + DataFolder::listName());
        if (m_failedNames.isEmpty()) {
            emit panelText(1, u"Done updating!"_s);
        } else {
            // The per-file errors scrolled past; leave the whole story on screen.
            emit fileStatus(u"Error downloading "_s + m_failedNames.join(u", "_s));
            emit panelText(1, m_failedNames.size() == 1
                                  ? u"Done updating, one file failed!"_s
                                  : u"Done updating, %1 files failed!"_s.arg(m_failedNames.size()));
        }
    }
    emit progressChanged(100);
    emit panelText(2, u"100%"_s);
    emit panelText(1, m_failedNames.isEmpty() ? u"Finished Updating Database"_s
                                              : u"Database Update Incomplete"_s);
    emit filesFinished();
    m_fetcher->get(m_config.transfers.versionFile(m_config.databaseVersionUrl, true), this,
                   [this](const FetchResult &result) { versionArrived(result); });
}

void UpdateRun::versionArrived(const FetchResult &result)
{
    // The database claims the new version only when every file of it is on disk.
    const QString reply = HttpFetcher::text(result);
    if (m_failedNames.isEmpty() && result.ok && !reply.isEmpty() && versionfile::isVersion(reply)) {
        wholefile::write(m_config.folder.versionFile(), versionfile::localFileBytes(reply));
    }
    m_running = false;
    emit finished();
}
