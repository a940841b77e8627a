#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The database version file vers.dat and the replies of the version checks.
namespace versionfile {

// The number of leading characters that make a database version.
inline constexpr qsizetype kVersionLength = 9;
// Longer than any version could be: a reply past this is a page or a portal, not a version.
inline constexpr qsizetype kMaxReplyLength = 256;

// The first field of a local vers.dat: leading spaces skipped; a quoted field yields the
// text between its quotes; an unquoted field runs to the first comma or line end.
QString firstField(QByteArrayView fileBytes);

// The local database version from the file at `path`; nothing when it cannot be read.
std::optional<QString> readLocalVersion(const QString &path);

// A reply that holds "<html" in any letter case is a web page, not an answer.
bool isWebPage(const QString &reply);

// Whether a reply can be a version at all: no web page, and not longer than one could be.
bool isVersion(const QString &reply);

// Whether two database versions differ in their first nine characters (a shorter text
// is taken whole), exactly and case-sensitively.
bool databaseVersionsDiffer(const QString &local, const QString &remote);

// The bytes of a local vers.dat for a remote reply: its first nine characters in double
// quotes, then CR LF.
QByteArray localFileBytes(const QString &remoteReply);

} // namespace versionfile
