// The judgement of a reply on any facts a server could produce: whatever passes as a whole
// answer must be one, and nothing kept in memory may pass its bound.
#include "replycheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Reads the facts from the fuzzer's bytes, a field at a time; missing bytes read as zero.
template <typename T> T take(const std::uint8_t *&data, std::size_t &size)
{
    T value{};
    const std::size_t n = std::min(sizeof value, size);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FetchRequest request;
    const std::uint8_t flags = take<std::uint8_t>(data, size);
    request.requireOk = flags & 1;
    if (flags & 2)
        request.filePath = QStringLiteral("/data/cml.nmd");
    request.expectedSize = flags & 4 ? qint64(take<std::uint32_t>(data, size)) : -1;
    request.maxBodyBytes = take<std::uint16_t>(data, size);
    ReplyFacts facts;
    facts.status = take<std::int16_t>(data, size);
    if (flags & 8)
        facts.announced = qint64(take<std::int32_t>(data, size));
    facts.bytes = take<std::uint32_t>(data, size);
    if (flags & 16)
        facts.networkError = QStringLiteral("the connection closed before the end");
    facts.encoding = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));

    const bool whole = replycheck::whenOver(request, facts).isEmpty();
    const QByteArray encoding = facts.encoding.trimmed().toLower();
    const bool sound = facts.status >= 200 && facts.status < 400 && facts.networkError.isEmpty() &&
                       (!request.requireOk || facts.status == 200) &&
                       (encoding.isEmpty() || encoding == "identity") &&
                       (!facts.announced || *facts.announced == facts.bytes) &&
                       (request.expectedSize < 0 || facts.bytes == request.expectedSize) &&
                       (!request.filePath.isEmpty() || facts.bytes <= request.maxBodyBytes);
    if (whole != sound)
        __builtin_trap();
    // A transfer stopped while arriving never ends as a whole answer.
    if (!replycheck::whileArriving(request, facts).isEmpty() && whole)
        __builtin_trap();
    return 0;
}
