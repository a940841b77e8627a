// The feedback request on any typed text: the script must receive exactly the three
// values, under exactly the three keys.
#include "feedbackrequest.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The input holds the three texts as UTF-8, separated by zero bytes.
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QString message = QString::fromUtf8(parts.value(0));
    const QString name = QString::fromUtf8(parts.value(1));
    const QString email = QString::fromUtf8(parts.value(2));
    const QUrl url = feedback::requestUrl(QStringLiteral("https://www.quillmoor.example/send1.php"),
                                          message, name, email);
    // Compared as the bytes the script receives: a decoder of QString would turn a
    // noncharacter such as U+FFFF into U+FFFD on its own.
    const QList<QByteArray> items = url.query(QUrl::FullyEncoded).toLatin1().split('&');
    const auto is = [&items](qsizetype i, const char *key, const QString &value) {
        const qsizetype at = items.value(i).indexOf('=');
        return at > 0 && items[i].left(at) == key &&
               QByteArray::fromPercentEncoding(items[i].mid(at + 1)) == value.toUtf8();
    };
    const QString sent = QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("¿"));
    if (items.size() != 3 || !is(0, "message", sent) || !is(1, "name", name) ||
        !is(2, "email", email))
        __builtin_trap();
    return 0;
}
