#include "feedbackrequest.h"

namespace feedback {

QUrl requestUrl(const QString &scriptUrl, const QString &message, const QString &name,
                const QString &email)
{
    const auto encoded = [](const QString &value) { return QUrl::toPercentEncoding(value); };
    const QString oneLine = QString(message).replace(QStringLiteral("\r\n"), QStringLiteral("¿"));
    const QByteArray request = QUrl(scriptUrl).toEncoded() + "?message=" + encoded(oneLine) +
                               "&name=" + encoded(name) + "&email=" + encoded(email);
    return QUrl::fromEncoded(request, QUrl::StrictMode);
}

bool fitsOneRequest(const QUrl &request)
{
    constexpr qsizetype kMaxRequestBytes = 6000;
    return request.toEncoded().size() <= kMaxRequestBytes;
}

} // namespace feedback
