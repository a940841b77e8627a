#include "versionfile.h"

#include "itemreader.h"
#include "wholefile.h"
#include "windows1252.h"

using namespace Qt::StringLiterals;

namespace versionfile {

QString firstField(QByteArrayView fileBytes)
{
    ItemReader reader(fileBytes);
    return windows1252::decode(reader.next());
}

std::optional<QString> readLocalVersion(const QString &path)
{
    const std::optional<QByteArray> bytes = wholefile::read(path, kMaxReplyLength);
    if (!bytes)
        return std::nullopt;
    return firstField(*bytes);
}

bool isVersion(const QString &reply)
{
    return reply.size() <= kMaxReplyLength && !isWebPage(reply);
}

bool isWebPage(const QString &reply)
{
    return reply.toLower().contains(u"<html"_s);
}

bool databaseVersionsDiffer(const QString &local, const QString &remote)
{
    return local.left(kVersionLength) != remote.left(kVersionLength);
}

QByteArray localFileBytes(const QString &remoteReply)
{
    // Quoted, so that a comma or line break inside the version reads back whole.
    return windows1252::encode(u'"' + remoteReply.left(kVersionLength) + u"\"\r\n"_s);
}

} // namespace versionfile
