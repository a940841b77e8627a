#pragma once

#include <QString>
#include <QUrl>

namespace feedback {

// The one request that sends a feedback message: the script's address with the query
// keys "message", "name" and "email", in that order. Line breaks (CR LF) in the message
// become "¿" first; then every value is percent-encoded as UTF-8, so that "&", "=", "#",
// "+", "%" and spaces arrive as typed and cannot start keys of their own.
QUrl requestUrl(const QString &scriptUrl, const QString &message, const QString &name,
                const QString &email);

// Whether servers take the request in one piece: they refuse a request line much longer
// than 6,000 bytes.
bool fitsOneRequest(const QUrl &request);

} // namespace feedback
