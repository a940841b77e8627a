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

// One run of the database update: learn the database version, fetch the remote update
// list, compare it with the local one, download every changed data file, keep the local
// list honest as files are stored, and write the version learnt first once every file is
// stored (a version learnt last could name a release published meanwhile, which this run
// did not fetch). It reports what happens; the downloader window words it. Deleting the
// run ends it.
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
    qsizetype failedCount() const { return m_failures.size(); }

signals:
    // The step the run is at, as the status line says it.
    void step(const QString &text);
    // The share of the work done, 0 to 100.
    void percentChanged(int percent);
    void fileStarted(const QString &fileName, qint64 size);
    void fileStored(const QString &fileName);
    // A file, or the update list or version file, that could not be fetched or stored.
    void fileFailed(const QString &fileName, const QString &reason);
    // The run is over. `failures` holds every failure with its reason ("a.gif, b.gif: no
    // space left on device; c.gif: ..."); empty when everything arrived.
    void finished(const QString &failures);

private:
    void versionArrived(const FetchResult &result);
    void listArrived(const FetchResult &result);
    void downloadNext();
    void fileArrived(const FetchResult &result);
    void fileDone();
    void fail(const QString &fileName, const QString &reason);
    void recordStored(const UpdateEntry &entry);
    // Empty when written (or not due yet), else why not.
    QString writeLocalList(bool force);
    void finish();
    QString failureSummary() const;

    Config m_config;
    HttpFetcher *m_fetcher = nullptr;
    std::function<void(const QString &, std::function<void()>)> m_notFound;
    bool m_running = false;

    // The database version the run began with, or why there is none.
    QString m_version;
    QString m_versionProblem;
    QString m_remoteText;
    QList<UpdateEntry> m_needed;
    qsizetype m_next = 0;
    std::unique_ptr<DownloadProgress> m_progress;
    // What the local list says is on disk: its entries, each name once, by position.
    QList<UpdateEntry> m_onDisk;
    QHash<QString, qsizetype> m_onDiskAt;
    bool m_listDirty = false;
    QElapsedTimer m_sinceListWritten;
    // Each failure: the file's name, the reason.
    QList<std::pair<QString, QString>> m_failures;
};
