#include "transfers.h"

#include "updatelist.h"

#include <algorithm>

namespace {

// Longer than any version a server could mean; a reply past this is not one.
constexpr qint64 kVersionBytes = 64 * 1024;
// An update list names every data file: a hundred thousand entries fit.
constexpr qint64 kListBytes = 16 * 1024 * 1024;
constexpr qint64 kReceiptBytes = 64 * 1024;

} // namespace

FetchRequest TransferPolicy::versionFile(const QString &url, bool downloader) const
{
    FetchRequest request;
    request.url = FetchRequest::normalised(url);
    request.maxBodyBytes = kVersionBytes;
    request.pauseTimeout = downloader ? downloadPause : pause;
    request.deadline = deadline;
    return request;
}

FetchRequest TransferPolicy::updateList(const QString &url) const
{
    FetchRequest request = versionFile(url, true);
    request.maxBodyBytes = kListBytes;
    return request;
}

FetchRequest TransferPolicy::dataFile(const QString &url, const QString &path, qint64 size) const
{
    // Whatever a list says, a file has a length it must have and a deadline that ends.
    size = std::clamp<qint64>(size, 0, kMaxFileSize);
    FetchRequest request;
    request.url = FetchRequest::normalised(url);
    request.filePath = path;
    request.expectedSize = size;
    request.requireOk = true;
    request.pauseTimeout = downloadPause;
    const qint64 sizeMs = downloadBytesPerSecond > 0 ? size / downloadBytesPerSecond * 1000 : 0;
    request.deadline = deadline + std::chrono::milliseconds(sizeMs);
    return request;
}

FetchRequest TransferPolicy::feedback(const QUrl &url) const
{
    FetchRequest request;
    request.url = url;
    request.maxBodyBytes = kReceiptBytes;
    request.pauseTimeout = pause;
    request.deadline = deadline;
    return request;
}
