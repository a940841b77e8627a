#pragma once

#include "datafolder.h"
#include "downloadprogress.h"
#include "transfers.h"
#include "updatelist.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class HttpFetcher;

// One run of the database update: fetch the remote update list, compare it with the local
// one, download every changed data file, keep the local list honest as files are stored,
// and renew the version file when everything arrived. The texts the downloader window
// shows are reported by the signals as they change. Deleting the run ends it.
class UpdateRun : public QObject
{
    Q_OBJECT
public:
    struct Config
    {
        DataFolder folder;
        QString updateListUrl;
        QString databaseVersionUrl;
        TransferPolicy transfers;
    };

    explicit UpdateRun(Config config, QObject *parent = nullptr);
    ~UpdateRun() override;

    // The server has no such file: the run waits until `acknowledged` is called (the
    // maker wants to hear of it, and the user reads it first). By default it goes on.
    void setNotFoundHandler(
        std::function<void(const QString &fileName, std::function<void()> acknowledged)> handler);

    void start();

    bool isRunning() const { return m_running; }
    qsizetype failedCount() const { return m_failedNames.size(); }

signals:
    // Panel 1 holds the step, panel 2 the percentage.
    void panelText(int panel, const QString &text);
    void fileStatus(const QString &text);
    void fileStatus2(const QString &text);
    void progressChanged(int percent);
    // Every file has been dealt with; only the version file step is left.
    void filesFinished();
    // The run is over.
    void finished();

private:
    void listArrived(const FetchResult &result);
    void downloadNext();
    void fileArrived(const FetchResult &result);
    void fileDone(bool stored);
    void recordStored(const UpdateEntry &entry);
    bool writeLocalList(bool force);
    void finishFiles();
    void versionArrived(const FetchResult &result);

    Config m_config;
    HttpFetcher *m_fetcher = nullptr;
    std::function<void(const QString &, std::function<void()>)> m_notFound;
    bool m_running = false;

    QString m_remoteText;
    QList<UpdateEntry> m_needed;
    qsizetype m_next = 0;
    std::unique_ptr<DownloadProgress> m_progress;
    // What the local list says is on disk: its entries, each name once, by position.
    QList<UpdateEntry> m_onDisk;
    QHash<QString, qsizetype> m_onDiskAt;
    bool m_listDirty = false;
    QElapsedTimer m_sinceListWritten;
    QStringList m_failedNames;
};
