#pragma once

#include "httpfetcher.h"

#include <QByteArray>
#include <QString>
#include <optional>

// What is known of a reply at a moment of its transfer.
struct ReplyFacts
{
    int status = 0;
    QString reason;                  // the status line's words
    QByteArray encoding;             // the Content-Encoding header, as sent
    std::optional<qint64> announced; // the Content-Length header
    qint64 bytes = 0;                // body bytes received so far
    QString networkError;            // a transport failure, in words for the user
};

// The judgement of a reply, apart from the network, so that it can be tried on any reply.
namespace replycheck {

// Whether a reply with this status can be the answer (2xx or 3xx; only 200 where the
// request requires it): its body is kept.
bool keepsBody(const FetchRequest &request, int status);

// Why the transfer must stop while its body arrives, or empty.
QString whileArriving(const FetchRequest &request, const ReplyFacts &facts);

// Why the finished transfer failed, or empty when it brought the whole answer.
QString whenOver(const FetchRequest &request, const ReplyFacts &facts);

} // namespace replycheck
