// The feedback request on any typed text: the script must read back exactly the three
// values, under exactly the three keys.
#include "feedback/feedbackrequest.h"

#include <QUrlQuery>
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
    const QList<std::pair<QString, QString>> items =
        QUrlQuery(url.query(QUrl::FullyEncoded)).queryItems(QUrl::FullyDecoded);
    const QString sent = QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("¿"));
    if (items.size() != 3 || items[0] != std::pair(QStringLiteral("message"), sent) ||
        items[1] != std::pair(QStringLiteral("name"), name) ||
        items[2] != std::pair(QStringLiteral("email"), email))
        __builtin_trap();
    return 0;
}
