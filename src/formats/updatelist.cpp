#include "updatelist.h"

#include "datafolder.h"
#include "itemreader.h"
#include "wholefile.h"
#include "windows1252.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kLineEnd = u"\r\n"_s;

// The list pads its fields with spaces only; a lone LF belongs to the text.
QStringView trimSpaces(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::optional<double> readLeadingNumber(QStringView text)
{
    text = trimSpaces(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    // Only the plain decimal form counts: no exponent, and no "inf" or "nan", which
    // from_chars would otherwise accept.
    qsizetype end = 0;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    qsizetype digits = end;
    if (text.sliced(end).startsWith(u'.')) {
        ++end;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;

    // from_chars ignores the process locale, unlike strtod under a German one.
    const QByteArray latin = text.first(end).toLatin1();
    double value = 0;
    const auto read = std::from_chars(latin.constData(), latin.constData() + latin.size(), value,
                                      std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range)
        value = std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

qint64 wholeNumber(QStringView text)
{
    return roundHalfEven(readLeadingNumber(text).value_or(0));
}

// A size the list gives, or -1 for none: a field that starts with no number does not
// mean an empty file, nor does a negative one mean any length.
qint64 fileSize(QStringView text)
{
    const std::optional<double> number = readLeadingNumber(text);
    const qint64 size = number ? roundHalfEven(*number) : -1;
    return size >= 0 && size <= kMaxFileSize ? size : -1;
}

} // namespace

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exact as a double; anything at or beyond it cannot be held.
    constexpr double kLimit = 9223372036854775808.0;
    if (value >= kLimit)
        return std::numeric_limits<qint64>::max();
    if (value <= -kLimit)
        return std::numeric_limits<qint64>::min();
    // Explicit rather than nearbyint, so a changed rounding mode cannot alter the figures.
    const double floor = std::floor(value);
    const double fraction = value - floor;
    qint64 result = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0))
        ++result;
    return result;
}

UpdateList readUpdateList(const QString &text)
{
    UpdateList list;
    const QList<QStringView> lines = QStringView(text).split(kLineEnd);
    const qint64 count = wholeNumber(lines.front());
    if (count < 1) {
        list.problem = u"the count is below 1"_s;
        return list;
    }
    // The last piece of the split is whatever follows the last line end.
    const qint64 lineEnds = lines.size() - 1;
    if (lineEnds < count) {
        list.problem = u"the list ends before its last line"_s;
        return list;
    }
    list.entries.reserve(qsizetype(count - 1));
    for (qsizetype l = 1; l < count; ++l) {
        const QList<QStringView> fields = lines[l].split(u',');
        if (fields.size() < 4) {
            list.entries.clear();
            list.problem = u"line %1 has fewer than four fields"_s.arg(l + 1);
            return list;
        }
        UpdateEntry entry;
        entry.fileName = trimSpaces(fields[0]).toString();
        entry.version = trimSpaces(fields[1]).toString();
        entry.size = fileSize(fields[2]);
        entry.url = trimSpaces(fields[3]).toString();
        list.entries.append(std::move(entry));
    }
    list.readable = true;
    return list;
}

QString regroupLocalList(QByteArrayView fileBytes)
{
    QString text;
    ItemReader reader(fileBytes);
    int field = 0;
    while (!reader.atEnd()) {
        const QString item = windows1252::decode(reader.next());
        if (text.isEmpty()) {
            text = item + kLineEnd;
        } else if (field == 1) {
            text += item;
        } else if (field == 4) {
            text += u',' + item + kLineEnd;
            field = 0;
        } else {
            text += u',' + item;
        }
        ++field;
    }
    return text;
}

QList<UpdateEntry> readLocalListFile(const QString &path)
{
    const std::optional<QByteArray> bytes = wholefile::read(path, kMaxListBytes);
    if (!bytes)
        return {};
    const UpdateList list = readUpdateList(regroupLocalList(*bytes));
    return list.readable ? list.entries : QList<UpdateEntry>();
}

qsizetype markNeededEntries(QList<UpdateEntry> &remote, const QList<UpdateEntry> &local)
{
    // Later local entries overwrite earlier ones, so each name maps to its last entry.
    QHash<QString, qsizetype> lastLocal;
    for (qsizetype i = 0; i < local.size(); ++i)
        lastLocal.insert(local[i].fileName, i);

    qsizetype needed = 0;
    for (UpdateEntry &entry : remote) {
        const auto found = lastLocal.constFind(entry.fileName);
        entry.needsUpdate = found == lastLocal.cend() || local[*found].version != entry.version ||
                            local[*found].size != entry.size;
        if (entry.needsUpdate)
            ++needed;
    }
    return needed;
}

bool storableEntry(const UpdateEntry &entry)
{
    const auto plain = [](const QString &field) {
        return std::none_of(field.cbegin(), field.cend(), [](QChar c) {
            return c == u'"' || c.category() == QChar::Other_Control;
        });
    };
    return !DataFolder::safeName(entry.fileName).isEmpty() && entry.size >= 0 &&
           plain(entry.version) && plain(entry.url);
}

QString listText(const QList<UpdateEntry> &entries)
{
    QString text = QString::number(entries.size() + 1) + kLineEnd;
    for (const UpdateEntry &entry : entries) {
        text += entry.fileName + u',' + entry.version + u',' + QString::number(entry.size) + u',' +
                entry.url + kLineEnd;
    }
    text += kLineEnd;
    return text;
}
