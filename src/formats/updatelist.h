#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// The largest update list read: a hundred thousand entries fit.
inline constexpr qint64 kMaxListBytes = 16 * 1024 * 1024;
// The largest data file a list may name (the list's sizes are 32-bit numbers).
inline constexpr qint64 kMaxFileSize = 2147483647;

// One data file of the update list.
struct UpdateEntry
{
    QString fileName;
    QString version;
    // 0 to kMaxFileSize; -1 when the list gives no such size (negative, out of range or no
    // number at all): such an entry is never fetched.
    qint64 size = 0;
    QString url;
    bool needsUpdate = false;
};

// A list read from its text: line 1 holds the count N (lines of the list, line 1
// included), lines 2 to N one entry each of four comma-separated fields.
struct UpdateList
{
    QList<UpdateEntry> entries;
    // False when the text cannot be a list: a count below 1, fewer line ends than the
    // count needs, or an entry line with fewer than four fields. `problem` says which.
    bool readable = false;
    QString problem;
};

// Rounds to the nearest whole number, halves to even.
qint64 roundHalfEven(double value);

// Reads a list's text (lines separated by CR LF). Fields are trimmed of spaces; fields
// after the fourth are ignored; anything after line N is ignored.
UpdateList readUpdateList(const QString &text);

// The local update.dat is read back field by field and regrouped four fields to a line
// behind the count line; returns that text (which readUpdateList() then reads).
QString regroupLocalList(QByteArrayView fileBytes);

// The entries of the local update.dat at `path`; none when it is missing or cannot be
// read as a list (then every remote file counts as changed).
QList<UpdateEntry> readLocalListFile(const QString &path);

// Marks each remote entry that is not current and returns how many were marked. An
// entry is current when the last local entry with the same file name has the same
// version (exact, case-sensitive) and the same size; the URL is not compared.
qsizetype markNeededEntries(QList<UpdateEntry> &remote, const QList<UpdateEntry> &local);

// Whether an entry can be downloaded and then named in the local update.dat so that it
// reads back the same: a safe file name, a size, and no double quote or control character
// in its version or address (the local file is read field by field, where those would split or
// swallow fields).
bool storableEntry(const UpdateEntry &entry);

// The list text naming `entries` in the list format: the count line, one line per
// entry, each ended by CR LF, then one more CR LF (the file ends with an empty line).
QString listText(const QList<UpdateEntry> &entries);
