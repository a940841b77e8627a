#include "updaterun.h"

#include "downloadprogress.h"
#include "httpfetcher.h"
#include "versionfile.h"
#include "wholefile.h"
#include "windows1252.h"

using namespace Qt::StringLiterals;

namespace {

// The local entries with those stored in this run put in at their remote versions: what
// is really on disk.
QList<UpdateEntry> onDisk(const QList<UpdateEntry> &local, const QList<UpdateEntry> &stored)
{
    QList<UpdateEntry> entries;
    auto place = [&entries](const UpdateEntry &entry) {
        for (UpdateEntry &existing : entries) {
            if (existing.fileName == entry.fileName) {
                existing = entry;
                return;
            }
        }
        entries.append(entry);
    };
    for (const UpdateEntry &entry : local)
        place(entry);
    for (const UpdateEntry &entry : stored)
        place(entry);
    for (UpdateEntry &entry : entries)
        entry.needsUpdate = false;
    return entries;
}

} // namespace

UpdateRun::UpdateRun(HttpFetcher &fetcher, Config config, QObject *parent)
    : QObject(parent)
    , m_fetcher(fetcher)
    , m_config(std::move(config))
{}

void UpdateRun::run()
{
    if (m_running)
        return;
    m_running = true;

    emit panelText(1, QStringLiteral("Getting Versions..."));
    const bool readable = readRemoteList();
    emit panelText(1, QStringLiteral("Comparing versions..."));
    if (!readable) {
        // Nothing is downloaded and no file changes on a list that makes no sense.
        emit panelText(1, QStringLiteral("No files updated: the update list could not be read."));
        emit filesFinished();
        m_running = false;
        return;
    }

    m_local = readLocalListFile(m_config.folder.listFile());
    m_updateCount = markNeededEntries(m_remote, m_local);
    QList<UpdateEntry> needed;
    for (const UpdateEntry &entry : std::as_const(m_remote)) {
        if (entry.needsUpdate)
            needed.append(entry);
    }
    if (!needed.isEmpty()) {
        emit panelText(1, m_updateCount == 1
                              ? QStringLiteral("One file to update ...")
                              : QStringLiteral("%1 files to update ...").arg(m_updateCount));
        downloadAll(needed);
    }
    finishFiles(!needed.isEmpty());
    replaceVersionFile();
    m_running = false;
}

bool UpdateRun::readRemoteList()
{
    m_fetcher.setUrl(m_config.updateListUrl);
    const FetchResult result = m_fetcher.fetch(m_fetcher.url());
    if (!result.ok) {
        emit fileStatus(result.error);
        return false;
    }
    m_remoteText = HttpFetcher::text(result);
    if (versionfile::isWebPage(m_remoteText)) {
        emit fileStatus(QStringLiteral("The server sent a web page instead of the update list."));
        return false;
    }
    const UpdateList list = readUpdateList(m_remoteText);
    if (!list.readable) {
        emit fileStatus(list.problem);
        return false;
    }
    m_remote = list.entries;
    m_listReadable = true;
    return true;
}

void UpdateRun::downloadAll(const QList<UpdateEntry> &needed)
{
    DownloadProgress progress(needed);
    emit panelText(2, QStringLiteral("%1%").arg(progress.percent()));
    qsizetype n = 1;
    for (const UpdateEntry &entry : needed) {
        emit panelText(1,
                       QStringLiteral("Downloading file %1 of %2...").arg(n++).arg(m_updateCount));
        if (!downloadFile(entry)) {
            ++m_failed;
            m_failedNames.append(entry.fileName);
        }
        const int percent = progress.fileDone(entry);
        emit progressChanged(percent);
        emit panelText(2, QStringLiteral("%1%").arg(percent));
    }
}

bool UpdateRun::downloadFile(const UpdateEntry &entry)
{
    emit fileStatus(
        QStringLiteral("Downloading %1 (%2 bytes)...").arg(entry.fileName).arg(entry.size));
    const QString error = QStringLiteral("Error downloading ") + entry.fileName;

    const QString path = storableEntry(entry) ? m_config.folder.file(entry.fileName) : QString();
    if (path.isEmpty()) {
        // Never written: the name points outside the data folder or at its own lists, or
        // the entry could not be named in update.dat afterwards.
        emit fileStatus(error);
        return false;
    }
    m_fetcher.setUrl(entry.url);
    const FetchResult result = m_fetcher.fetchToFile(m_fetcher.url(), path);
    if (!result.ok) {
        emit fileStatus(error);
        if (result.status == 404)
            emit fileNotFound(entry.fileName);
        return false;
    }
    m_stored.append(entry);
    if (!writeLocalList()) {
        emit fileStatus(QStringLiteral("Error writing ") + DataFolder::listName());
        return false;
    }
    emit fileStatus(QString());
    emit fileStatus2(entry.fileName + QStringLiteral(" updated."));
    return true;
}

bool UpdateRun::writeLocalList()
{
    const bool everythingStored = m_failed == 0 && m_stored.size() == m_updateCount;
    const QString text = everythingStored ? m_remoteText + QStringLiteral("\r\n")
                                          : listText(onDisk(m_local, m_stored));
    return wholefile::write(m_config.folder.listFile(), windows1252::encode(text));
}

void UpdateRun::finishFiles(bool anyFiles)
{
    if (!anyFiles) {
        emit panelText(1, QStringLiteral("No files to update!"));
    } else if (m_failed == 0) {
        emit panelText(1, QStringLiteral("Done updating!"));
    } else {
        // The per-file errors scrolled past; leave the whole story on screen.
        emit fileStatus(QStringLiteral("Error downloading ") + m_failedNames.join(u", "_s));
        emit panelText(1, m_failed == 1
                              ? QStringLiteral("Done updating, one file failed!")
                              : QStringLiteral("Done updating, %1 files failed!").arg(m_failed));
    }
    emit progressChanged(100);
    emit panelText(2, QStringLiteral("100%"));
    emit panelText(1, m_failed == 0 ? QStringLiteral("Finished Updating Database")
                                    : QStringLiteral("Database Update Incomplete"));
    emit filesFinished();
}

void UpdateRun::replaceVersionFile()
{
    m_fetcher.setUrl(m_config.databaseVersionUrl);
    const FetchResult result = m_fetcher.fetch(m_fetcher.url());
    // The database claims the new version only when every file of it is on disk.
    if (m_failed > 0 || !result.ok)
        return;
    const QString reply = HttpFetcher::text(result);
    if (reply.isEmpty() || versionfile::isWebPage(reply))
        return;
    m_versionReplaced =
        wholefile::write(m_config.folder.versionFile(), versionfile::localFileBytes(reply));
}
