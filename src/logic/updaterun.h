#pragma once

#include "datafolder.h"
#include "updatelist.h"

#include <QObject>
#include <QString>
#include <QStringList>

class HttpFetcher;

// One run of the database update: fetch the remote update list, compare it with the
// local update.dat, download every changed data file, keep update.dat honest after each
// stored file, and renew vers.dat when everything arrived. The texts the downloader
// window shows are reported by the signals as they change.
class UpdateRun : public QObject
{
    Q_OBJECT
public:
    struct Config
    {
        DataFolder folder;
        QString updateListUrl;
        QString databaseVersionUrl;
    };

    UpdateRun(HttpFetcher &fetcher, Config config, QObject *parent = nullptr);

    // Runs the whole update and returns when it is over. Transfers wait with local event
    // loops, so the window keeps repainting meanwhile.
    void run();

    bool isRunning() const { return m_running; }
    qsizetype updateCount() const { return m_updateCount; }
    qsizetype failedCount() const { return m_failed; }
    bool listReadable() const { return m_listReadable; }
    bool versionFileReplaced() const { return m_versionReplaced; }

signals:
    // Panel 1 holds the step, panel 2 the percentage.
    void panelText(int panel, const QString &text);
    void fileStatus(const QString &text);
    void fileStatus2(const QString &text);
    void progressChanged(int percent);
    // The server has no such file: the maker wants to hear of it.
    void fileNotFound(const QString &fileName);
    // Every file has been dealt with; only the version file step is left.
    void filesFinished();

private:
    bool readRemoteList();
    void downloadAll(const QList<UpdateEntry> &needed);
    bool downloadFile(const UpdateEntry &entry);
    bool writeLocalList();
    void replaceVersionFile();
    void finishFiles(bool anyFiles);

    HttpFetcher &m_fetcher;
    Config m_config;
    bool m_running = false;

    QString m_remoteText;
    QList<UpdateEntry> m_remote;
    QList<UpdateEntry> m_local;
    QList<UpdateEntry> m_stored; // stored in this run, at their remote entries
    QStringList m_failedNames;
    qsizetype m_updateCount = 0;
    qsizetype m_failed = 0;
    bool m_listReadable = false;
    bool m_versionReplaced = false;
};
