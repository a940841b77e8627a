// The Windows-1252 decoder: every byte becomes one character, and encoding gives the
// bytes back.
#include "windows1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = windows1252::decode(bytes);
    if (text.size() != bytes.size() || windows1252::encode(text) != bytes)
        __builtin_trap();
    return 0;
}
