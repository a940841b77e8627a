#include "replycheck.h"

using namespace Qt::StringLiterals;

namespace replycheck {
namespace {

QString answered(const ReplyFacts &facts)
{
    return u"the server answered %1 %2"_s.arg(facts.status).arg(facts.reason).trimmed();
}

} // namespace

bool keepsBody(const FetchRequest &request, int status)
{
    // A 1xx status is never the final answer (Qt 6.4 ends a redirect loop with one).
    return status >= 200 && status < 400 && (!request.requireOk || status == 200);
}

QString whileArriving(const FetchRequest &request, const ReplyFacts &facts)
{
    if (!keepsBody(request, facts.status))
        return {};
    // Every request asks for no encoding: a compressed body could not be measured.
    const QByteArray encoding = facts.encoding.trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return u"the server sent a compressed reply"_s;
    if (request.expectedSize >= 0 && facts.bytes > request.expectedSize)
        return u"more than the %1 bytes listed arrived"_s.arg(request.expectedSize);
    if (request.filePath.isEmpty() && facts.bytes > request.maxBodyBytes)
        return u"the reply is longer than %1 bytes"_s.arg(request.maxBodyBytes);
    return {};
}

QString whenOver(const FetchRequest &request, const ReplyFacts &facts)
{
    if (facts.status >= 400)
        return answered(facts);
    if (!facts.networkError.isEmpty())
        return facts.networkError;
    if (facts.status < 200)
        return u"the server sent no final answer"_s;
    if (!keepsBody(request, facts.status))
        return answered(facts) + u" instead of the file"_s;
    if (const QString reason = whileArriving(request, facts); !reason.isEmpty())
        return reason;
    // Qt does not always call a connection closed early an error; the announced length
    // decides.
    if (facts.announced && *facts.announced != facts.bytes)
        return u"the connection closed after %1 of %2 bytes"_s.arg(facts.bytes)
            .arg(*facts.announced);
    if (request.expectedSize >= 0 && facts.bytes != request.expectedSize)
        return u"%1 bytes arrived where %2 were listed"_s.arg(facts.bytes)
            .arg(request.expectedSize);
    return {};
}

} // namespace replycheck
