#pragma once

#include "updatelist.h"

// The progress shown while files download: `totalKB` accumulates each file's size in
// kilobytes with the running sum rounded halves to even; each stored file adds its
// share of `totalKB` to the percentage, rounded likewise and capped at 100.
class DownloadProgress
{
public:
    explicit DownloadProgress(const QList<UpdateEntry> &toDownload);

    qint64 totalKB() const { return m_totalKB; }
    int percent() const { return m_percent; }

    // After `entry` has been stored (or given up on): the new percentage.
    int fileDone(const UpdateEntry &entry);

private:
    qint64 m_totalKB = 0;
    qsizetype m_files = 0;
    qsizetype m_done = 0;
    int m_percent = 0;
};
