#pragma once

#include "httpfetcher.h"

#include <QString>
#include <chrono>

// How long each kind of transfer may take and how much of it may be held in memory: a
// server that stalls, trickles or never ends fails like any other failed transfer.
struct TransferPolicy
{
    // The version checks, the update list and the feedback request.
    std::chrono::milliseconds pause{60000};
    std::chrono::milliseconds deadline{60000};
    // Both start-up checks together, a retry included, wait no longer than this for the
    // network: a server that accepts and never answers must not hold the splash.
    std::chrono::milliseconds startupChecks{6000};
    // The downloader's own transfers give up on a silent server sooner; a data file's
    // deadline grows with its listed size.
    std::chrono::milliseconds downloadPause{30000};
    qint64 downloadBytesPerSecond = 16 * 1024;

    FetchRequest versionFile(const QString &url, bool downloader = false) const;
    FetchRequest updateList(const QString &url) const;
    FetchRequest dataFile(const QString &url, const QString &path, qint64 size) const;
    FetchRequest feedback(const QUrl &url) const;
};
