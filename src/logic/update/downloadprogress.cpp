#include "downloadprogress.h"

#include <algorithm>

namespace {

// An entry without a size is never fetched: it adds nothing.
qint64 listedBytes(const UpdateEntry &entry)
{
    return std::max<qint64>(entry.size, 0);
}

} // namespace

DownloadProgress::DownloadProgress(const QList<UpdateEntry> &toDownload)
    : m_files(toDownload.size())
{
    for (const UpdateEntry &entry : toDownload)
        m_totalKB = roundHalfEven(double(listedBytes(entry)) / 1024.0 + double(m_totalKB));
}

int DownloadProgress::fileDone(const UpdateEntry &entry)
{
    ++m_done;
    qint64 percent = 0;
    if (m_totalKB == 0) {
        // Files of half a kilobyte or less round to no kilobytes at all.
        percent = m_files > 0 ? roundHalfEven(100.0 * double(m_done) / double(m_files)) : 100;
    } else {
        percent = roundHalfEven(double(listedBytes(entry)) / 1024.0 / double(m_totalKB) * 100.0 +
                                double(m_percent));
    }
    m_percent = int(std::clamp<qint64>(percent, 0, 100));
    return m_percent;
}
