// The vers.dat reader and the version comparison on any bytes.
#include "versionfile.h"
#include "windows1252.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString local = versionfile::firstField(bytes);
    const QString reply = windows1252::decode(bytes);
    versionfile::isWebPage(reply);
    versionfile::databaseVersionsDiffer(local, reply);
    // A version written from a reply reads back as its first nine characters, unless the
    // reply itself holds a quote (a real version never does).
    const QString version = reply.left(versionfile::kVersionLength);
    if (!version.contains(u'"') &&
        versionfile::firstField(versionfile::localFileBytes(reply)) != version)
        __builtin_trap();
    return 0;
}
