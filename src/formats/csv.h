#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated tables as spreadsheets write and read them (RFC 4180): records end with
// CR LF, a field holding a comma, a double quote or a line break is quoted, its quotes
// doubled.
namespace csv {

// UTF-8 with a byte-order mark, without which some spreadsheets take the file for their
// local code page.
QByteArray write(const QList<QStringList> &rows);

struct Table
{
    QList<QStringList> rows;
    QList<qsizetype> lines; // the line each row starts on, from 1
    QString error;          // empty when the whole text was read
};

// Reads what write() writes and what spreadsheets save: a byte-order mark is skipped; LF or
// a lone CR also ends a record; blank lines are skipped; a quote inside an unquoted field
// is kept as it is. Bytes that are not UTF-8 are read as Windows-1252, the code page
// spreadsheets save in on the systems that have one. A quoted field never closed, or text
// after a closing quote, is an error naming its line, and no row is given.
Table read(QByteArrayView bytes);

// Tab-separated text for pasting into a spreadsheet, CR LF between rows. A tab or line
// break inside a field would start a new cell or row, so it becomes a blank; a field
// starting with a quote is quoted, since spreadsheets would take the quote for one.
QString tabSeparated(const QList<QStringList> &rows);

} // namespace csv
