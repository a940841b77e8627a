#include "csv.h"

#include "windows1252.h"

#include <QStringDecoder>

namespace csv {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool needsQuotes(QStringView field)
{
    for (const QChar ch : field) {
        if (ch == u',' || ch == u'"' || ch == u'\r' || ch == u'\n')
            return true;
    }
    return false;
}

void appendQuoted(QStringView field, QString &out)
{
    out.append(u'"');
    for (const QChar ch : field) {
        if (ch == u'"')
            out.append(u'"');
        out.append(ch);
    }
    out.append(u'"');
}

QString decoded(QByteArrayView bytes)
{
    // The file's own mark is gone already; a second one is text.
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? windows1252::decode(bytes) : text;
}

} // namespace

QByteArray write(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text.append(u',');
            // A lone empty field quoted, or the row would be a blank line, which is none.
            if (needsQuotes(row[i]) || (row.size() == 1 && row[i].isEmpty()))
                appendQuoted(row[i], text);
            else
                text.append(row[i]);
        }
        text.append(u"\r\n");
    }
    return QByteArray(kBom) + text.toUtf8();
}

Table read(QByteArrayView bytes)
{
    if (bytes.startsWith(kBom))
        bytes = bytes.sliced(3);
    const QString text = decoded(bytes);
    const qsizetype size = text.size();
    Table table;
    qsizetype line = 1;
    qsizetype at = 0;
    // A line end at `at`: moves past it and counts it.
    const auto skipLineEnd = [&] {
        at += (text[at] == u'\r' && at + 1 < size && text[at + 1] == u'\n') ? 2 : 1;
        ++line;
    };
    const auto isLineEnd = [&](qsizetype i) { return text[i] == u'\r' || text[i] == u'\n'; };
    while (at < size) {
        if (isLineEnd(at)) { // a blank line
            skipLineEnd();
            continue;
        }
        const qsizetype startLine = line;
        QStringList row;
        for (;;) {
            QString field;
            if (at < size && text[at] == u'"') {
                const qsizetype openedOn = line;
                for (++at;; ++at) {
                    if (at >= size) {
                        table.error = QStringLiteral("line %1: a quoted field is not closed")
                                          .arg(openedOn);
                        return {{}, {}, table.error};
                    }
                    if (text[at] == u'"') {
                        if (at + 1 < size && text[at + 1] == u'"')
                            ++at;
                        else
                            break;
                    } else if (text[at] == u'\n' || (text[at] == u'\r' && (at + 1 >= size ||
                                                                          text[at + 1] != u'\n'))) {
                        ++line;
                    }
                    field.append(text[at]);
                }
                ++at; // the closing quote
                if (at < size && text[at] != u',' && !isLineEnd(at)) {
                    table.error = QStringLiteral("line %1: text after a closing quote").arg(line);
                    return {{}, {}, table.error};
                }
            } else {
                const qsizetype begin = at;
                while (at < size && text[at] != u',' && !isLineEnd(at))
                    ++at;
                field = text.sliced(begin, at - begin);
            }
            row.append(field);
            if (at < size && text[at] == u',') {
                ++at;
                continue;
            }
            break;
        }
        if (at < size)
            skipLineEnd();
        table.rows.append(row);
        table.lines.append(startLine);
    }
    return table;
}

QString tabSeparated(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text.append(u'\t');
            QString field = row[i];
            field.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            for (QChar &ch : field) {
                if (ch == u'\t' || ch == u'\r' || ch == u'\n')
                    ch = u' ';
            }
            if (field.startsWith(u'"'))
                appendQuoted(field, text);
            else
                text.append(field);
        }
        text.append(u"\r\n");
    }
    return text;
}

} // namespace csv
