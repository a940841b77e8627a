// The update list readers on any bytes: the text form as fetched, and the local file read
// back field by field. Whatever reads as a list must survive being written out and read
// back, as update.dat is after every stored file; every size read is one a file may have.
#include "datafolder.h"
#include "downloadprogress.h"
#include "updatelist.h"
#include "windows1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    UpdateList remote = readUpdateList(windows1252::decode(bytes));
    const UpdateList local = readUpdateList(regroupLocalList(bytes));
    markNeededEntries(remote.entries, local.entries);
    DownloadProgress progress(remote.entries);
    for (const UpdateEntry &entry : remote.entries) {
        DataFolder::safeName(entry.fileName);
        const int percent = progress.fileDone(entry);
        // A size is within bounds or none (-1), never "any length".
        if (percent < 0 || percent > 100 || entry.size < -1 || entry.size > kMaxFileSize)
            __builtin_trap();
    }
    if (remote.readable) {
        QList<UpdateEntry> stored = remote.entries;
        stored.removeIf([](const UpdateEntry &entry) { return !storableEntry(entry); });
        const UpdateList again =
            readUpdateList(regroupLocalList(windows1252::encode(listText(stored))));
        if (!again.readable || again.entries.size() != stored.size())
            __builtin_trap();
    }
    return 0;
}
