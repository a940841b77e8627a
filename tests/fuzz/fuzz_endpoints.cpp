// The addresses file on any bytes: every line is read, and what is not understood leaves the
// address it would have named as it was.
#include "endpoints.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Endpoints read = Endpoints::fromIni(bytes);
    // A value is trimmed, and never holds a line break: one line names one address.
    for (const QString &value : {read.updateListUrl, read.feedbackUrl, read.browserPath}) {
        if (value != value.trimmed() || value.contains(u'\n'))
            __builtin_trap();
    }
    // Read over itself as the base, a file changes nothing more.
    if (Endpoints::fromIni(bytes, read).feedbackUrl != read.feedbackUrl)
        __builtin_trap();
    return 0;
}
