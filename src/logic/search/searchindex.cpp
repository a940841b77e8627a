#include "searchindex.h"

#include "notesfile.h"
#include "textfold.h"
#include "windows1252.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

constexpr std::array<int, kRangeFieldCount> kRangeRecordFields = {
    MonsterRecord::Hp,     MonsterRecord::Level,   MonsterRecord::Experience,
    MonsterRecord::JobExp, MonsterRecord::Defense, MonsterRecord::MDefense,
};
constexpr std::array<TextField, 4> kColumnFields = {TextField::Name, TextField::Treasure,
                                                    TextField::Area, TextField::Description};
constexpr ValueRange kUnavailable{1, 0};

// How often the long loops look at the cancel flag: often enough to stop within a
// fraction of a millisecond, rarely enough to cost nothing.
constexpr qsizetype kCancelStride = 1024;

// The folded bytes of each stored byte, fixed-size so the index is filled with one copy
// per byte.
struct FoldedByte
{
    char bytes[8] = {};
    quint8 size = 0;
};

const std::array<FoldedByte, 256> &foldedBytes()
{
    static const std::array<FoldedByte, 256> table = [] {
        std::array<FoldedByte, 256> t;
        for (int b = 0; b < 256; ++b) {
            const QByteArrayView folded = textfold::storedByte(uchar(b));
            Q_ASSERT(folded.size() <= qsizetype(sizeof t[b].bytes));
            std::memcpy(t[b].bytes, folded.data(), std::size_t(folded.size()));
            t[b].size = quint8(folded.size());
        }
        return t;
    }();
    return table;
}

// The Bloom filter bit of a byte (0..255) or byte pair (256 and up).
quint32 gramBit(quint32 gram, int bitsLog2)
{
    return (gram * 0x9E3779B1u) >> (32 - bitsLog2);
}

void addSignature(QByteArrayView folded, quint64 *words, int bitsLog2)
{
    const auto set = [words, bitsLog2](quint32 gram) {
        const quint32 bit = gramBit(gram, bitsLog2);
        words[bit >> 6] |= quint64(1) << (bit & 63);
    };
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const quint32 byte = uchar(folded[i]);
        set(byte);
        if (i + 1 < folded.size())
            set(256 + (byte << 8 | uchar(folded[i + 1])));
    }
}

// Records are short: a plain search (memchr for the first byte, then a compare) is as
// quick here as the cleverer ones, and needs no table per word.
bool contains(QByteArrayView haystack, QByteArrayView needle)
{
    const std::string_view in(haystack.data(), std::size_t(haystack.size()));
    return in.find(std::string_view(needle.data(), std::size_t(needle.size()))) !=
           std::string_view::npos;
}

quint32 nameHash(QByteArrayView storedName)
{
    return quint32(qHash(storedName, 0));
}

// A displayed name (a notes key) as the data file writes it, so notes are matched to
// records by comparing bytes instead of decoding every name. Empty when no record can
// show that name: a display never holds the substitutes themselves, a lone CR or LF, or
// a character outside Windows-1252.
QByteArray storedName(const QString &displayed)
{
    QString stored;
    stored.reserve(displayed.size());
    for (qsizetype i = 0; i < displayed.size(); ++i) {
        const QChar ch = displayed[i];
        if (ch == u',') {
            stored.append(kCommaSubstitute);
        } else if (ch == u'\r' && i + 1 < displayed.size() && displayed[i + 1] == u'\n') {
            stored.append(kLineBreakSubstitute);
            ++i;
        } else if (ch == kCommaSubstitute || ch == kLineBreakSubstitute || ch == u'\r' ||
                   ch == u'\n') {
            return {};
        } else {
            stored.append(ch);
        }
    }
    QByteArray bytes = windows1252::encode(stored);
    if (windows1252::decode(bytes) != stored)
        return {};
    return bytes;
}

} // namespace

NotesSnapshot::NotesSnapshot(const QHash<QString, QString> &notes)
{
    m_notes.reserve(notes.size());
    for (auto it = notes.cbegin(); it != notes.cend(); ++it)
        setNote(it.key(), it.value());
}

void NotesSnapshot::setNote(const QString &key, const QString &text)
{
    if (text.isEmpty()) {
        m_notes.remove(key);
        return;
    }
    const notesfile::Note owner = notesfile::fromKey(key);
    m_notes.insert(key, {storedName(owner.name), owner.occurrence, textfold::fold(text)});
}

QByteArrayView SearchIndex::TextColumn::slice(qsizetype row) const
{
    const quint32 begin = start[std::size_t(row)];
    return QByteArrayView(text).sliced(begin, start[std::size_t(row) + 1] - 1 - begin);
}

std::vector<quint64> SearchIndex::TextColumn::signatureOf(QByteArrayView folded) const
{
    std::vector<quint64> bits(std::size_t(words), 0);
    addSignature(folded, bits.data(), bitsLog2);
    return bits;
}

bool SearchIndex::TextColumn::mayHold(qsizetype row, const std::vector<quint64> &wanted) const
{
    const quint64 *own = signature.data() + std::size_t(row) * std::size_t(words);
    for (int w = 0; w < words; ++w) {
        if ((own[w] & wanted[std::size_t(w)]) != wanted[std::size_t(w)])
            return false;
    }
    return true;
}

SearchIndex::SearchIndex(MonsterTable table)
    : m_table(std::move(table))
{
    const qsizetype rows = m_table.size();
    for (int column = 0; column < kTextColumns; ++column) {
        static constexpr std::array<int, kTextColumns> fields = {
            MonsterRecord::Name, MonsterRecord::Treasure, MonsterRecord::Area,
            MonsterRecord::Description};
        buildText(column, fields[std::size_t(column)]);
    }

    QString text;
    const auto decoded = [&text](QByteArrayView raw) -> const QString & {
        text.resize(0);
        windows1252::decodeAppend(raw, text);
        return text;
    };
    for (int f = 0; f < kRangeFieldCount; ++f) {
        std::vector<ValueRange> &numbers = m_numbers[std::size_t(f)];
        numbers.reserve(std::size_t(rows));
        for (qsizetype r = 0; r < rows; ++r) {
            const std::optional<ValueRange> value =
                readValue(decoded(m_table.row(r).rawField(kRangeRecordFields[std::size_t(f)])));
            numbers.push_back(value.value_or(kUnavailable));
        }
    }

    const auto classify = [&decoded](QByteArrayView raw) {
        const QString &value = decoded(raw);
        if (isUnavailableText(value))
            return Unavailable;
        const QStringView trimmed = QStringView(value).trimmed();
        if (trimmed.compare(u"Yes", Qt::CaseInsensitive) == 0)
            return Yes;
        if (trimmed.compare(u"No", Qt::CaseInsensitive) == 0)
            return No;
        return Other;
    };
    m_hostile.reserve(std::size_t(rows));
    m_undead.reserve(std::size_t(rows));
    m_sizeIds.reserve(std::size_t(rows));
    m_names.reserve(std::size_t(rows));
    for (qsizetype r = 0; r < rows; ++r) {
        const MonsterRecord record = m_table.row(r);
        m_hostile.push_back(classify(record.rawField(MonsterRecord::Attack)));
        m_undead.push_back(classify(record.rawField(MonsterRecord::Undead)));

        const QString &size = decoded(record.rawField(MonsterRecord::Size));
        qint32 sizeId = -1;
        if (!isUnavailableText(size)) {
            const QString trimmed = size.trimmed();
            sizeId = qint32(sizeIdOf(trimmed));
            if (sizeId < 0) {
                sizeId = qint32(m_sizes.size());
                m_sizes.append(trimmed);
                m_sizeIdByKey.insert(trimmed.toCaseFolded(), sizeId);
            }
        }
        m_sizeIds.push_back(sizeId);

        m_names.push_back({nameHash(record.rawField(MonsterRecord::Name)), quint32(r)});
    }
    std::sort(m_names.begin(), m_names.end());
}

qsizetype SearchIndex::sizeIdOf(const QString &size) const
{
    return m_sizeIdByKey.value(size.toCaseFolded(), -1);
}

void SearchIndex::buildText(int columnIndex, int field)
{
    TextColumn &column = m_text[std::size_t(columnIndex)];
    const qsizetype rows = m_table.size();
    const std::array<FoldedByte, 256> &folded = foldedBytes();

    // Measured first, so the buffer is allocated once at its final size.
    qsizetype total = 0;
    for (qsizetype r = 0; r < rows; ++r) {
        for (const char c : m_table.row(r).rawField(field))
            total += folded[uchar(c)].size;
        ++total;
    }
    Q_ASSERT(total <= qsizetype(std::numeric_limits<quint32>::max()));
    column.text.resize(total);
    column.start.reserve(std::size_t(rows) + 1);
    char *out = column.text.data();
    for (qsizetype r = 0; r < rows; ++r) {
        column.start.push_back(quint32(out - column.text.constData()));
        for (const char c : m_table.row(r).rawField(field)) {
            const FoldedByte &f = folded[uchar(c)];
            std::memcpy(out, f.bytes, f.size);
            out += f.size;
        }
        *out++ = '\n';
    }
    column.start.push_back(quint32(total));

    // About two bits per byte of the average record keeps the filters sparse enough to
    // rule out most records for a word of three letters or more.
    const qsizetype average = rows ? total / rows : 0;
    column.bitsLog2 = std::clamp(int(std::bit_width(quint64(2 * average))), 6, 9);
    column.words = 1 << (column.bitsLog2 - 6);
    column.signature.assign(std::size_t(rows) * std::size_t(column.words), 0);
    for (qsizetype r = 0; r < rows; ++r)
        addSignature(column.slice(r),
                     column.signature.data() + std::size_t(r) * std::size_t(column.words),
                     column.bitsLog2);
}

std::optional<ValueRange> SearchIndex::value(qsizetype row, RangeField field) const
{
    const ValueRange &value = m_numbers[std::size_t(field)][std::size_t(row)];
    if (value.low > value.high)
        return std::nullopt;
    return value;
}

bool SearchIndex::meetsChoicesAndRanges(qsizetype row, const SearchCriteria &criteria,
                                        qsizetype sizeId) const
{
    const bool includeUnavailable = criteria.includeUnavailable;
    const auto r = std::size_t(row);
    for (int f = 0; f < kRangeFieldCount; ++f) {
        const SearchCriteria::Range &range = criteria.ranges[std::size_t(f)];
        if (!range.isSet())
            continue;
        const ValueRange &value = m_numbers[std::size_t(f)][r];
        if (value.low > value.high) {
            if (!includeUnavailable)
                return false;
        } else if ((range.from && value.high < *range.from) ||
                   (range.to && value.low > *range.to)) {
            return false;
        }
    }
    const auto meets = [includeUnavailable](Choice own, Choice wanted) {
        return own == wanted || (includeUnavailable && own == Unavailable);
    };
    if (criteria.hostile != SearchCriteria::Hostile::Any) {
        static constexpr Choice wanted[] = {Unavailable, Yes, No, Other}; // by Hostile
        if (!meets(m_hostile[r], wanted[int(criteria.hostile)]))
            return false;
    }
    if (criteria.undead != SearchCriteria::Undead::Any &&
        !meets(m_undead[r], criteria.undead == SearchCriteria::Undead::Yes ? Yes : No))
        return false;
    if (sizeId != -1) {
        const qint32 own = m_sizeIds[r];
        if (own != sizeId && !(includeUnavailable && own < 0))
            return false;
    }
    return true;
}

void SearchIndex::addNotedRow(const NotesSnapshot::Note &note, std::vector<bool> &hits) const
{
    if (note.storedName.isEmpty()) // a name no record shows
        return;
    const quint32 hash = nameHash(note.storedName);
    auto it = std::lower_bound(m_names.begin(), m_names.end(), NameEntry{hash, 0});
    // Entries of one hash are in file order, so namesakes are counted as the list counts them.
    qsizetype seen = 0;
    for (; it != m_names.end() && it->hash == hash; ++it) {
        if (m_table.row(it->row).rawField(MonsterRecord::Name) == note.storedName &&
            ++seen == note.occurrence) {
            hits[it->row] = true;
            return;
        }
    }
}

std::vector<std::vector<bool>> SearchIndex::noteHits(const std::vector<QByteArray> &words,
                                                     const NotesSnapshot &notes) const
{
    std::vector<std::vector<bool>> hits(words.size(), std::vector<bool>(std::size_t(size())));
    for (const NotesSnapshot::Note &note : notes.m_notes) {
        for (std::size_t w = 0; w < words.size(); ++w) {
            if (contains(note.folded, words[w]))
                addNotedRow(note, hits[w]);
        }
    }
    return hits;
}

std::vector<qsizetype> SearchIndex::run(const SearchCriteria &given, const NotesSnapshot &notes,
                                        const std::atomic_bool *cancel) const
{
    const auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    SearchCriteria criteria = given;
    for (SearchCriteria::Range &range : criteria.ranges) {
        if (range.from && range.to && *range.from > *range.to)
            std::swap(range.from, range.to);
    }
    qsizetype sizeId = -1; // any
    if (!criteria.size.isEmpty()) {
        sizeId = sizeIdOf(criteria.size.trimmed());
        if (sizeId < 0)
            sizeId = -2; // a size no record has: only unavailable ones can match
    }

    std::vector<quint32> rows;
    rows.reserve(std::size_t(size()));
    for (qsizetype r = 0; r < size(); ++r) {
        if (r % kCancelStride == 0 && cancelled())
            return {};
        if (meetsChoicesAndRanges(r, criteria, sizeId))
            rows.push_back(quint32(r));
    }

    if (criteria.hasNote != SearchCriteria::HasNote::Any) {
        std::vector<bool> noted(static_cast<std::size_t>(size()));
        for (const NotesSnapshot::Note &note : notes.m_notes)
            addNotedRow(note, noted);
        const bool wanted = criteria.hasNote == SearchCriteria::HasNote::Yes;
        std::erase_if(rows, [&noted, wanted](quint32 r) { return noted[r] != wanted; });
    }

    const std::vector<QByteArray> words = textfold::words(criteria.text);
    if (!words.empty()) {
        std::vector<int> columns;
        for (int column = 0; column < kTextColumns; ++column) {
            if (criteria.fields.testFlag(kColumnFields[std::size_t(column)]))
                columns.push_back(column);
        }
        const bool inNotes = criteria.fields.testFlag(TextField::Notes);
        const std::vector<std::vector<bool>> noted =
            inNotes ? noteHits(words, notes) : std::vector<std::vector<bool>>();
        for (std::size_t w = 0; w < words.size(); ++w) {
            std::vector<std::vector<quint64>> wanted;
            for (const int column : columns)
                wanted.push_back(m_text[std::size_t(column)].signatureOf(words[w]));
            std::size_t kept = 0;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (i % kCancelStride == 0 && cancelled())
                    return {};
                const quint32 r = rows[i];
                bool found = inNotes && noted[w][r];
                for (std::size_t c = 0; c < columns.size() && !found; ++c) {
                    const TextColumn &column = m_text[std::size_t(columns[c])];
                    found = column.mayHold(r, wanted[c]) && contains(column.slice(r), words[w]);
                }
                if (found)
                    rows[kept++] = r;
            }
            rows.resize(kept);
        }
    }
    if (cancelled())
        return {};
    return std::vector<qsizetype>(rows.begin(), rows.end());
}

qsizetype SearchIndex::memoryUsed() const
{
    qsizetype bytes = 0;
    for (const TextColumn &column : m_text)
        bytes += column.text.capacity() + qsizetype(column.start.capacity() * sizeof(quint32)) +
                 qsizetype(column.signature.capacity() * sizeof(quint64));
    for (const std::vector<ValueRange> &numbers : m_numbers)
        bytes += qsizetype(numbers.capacity() * sizeof(ValueRange));
    bytes += qsizetype(m_hostile.capacity() + m_undead.capacity());
    bytes += qsizetype(m_sizeIds.capacity() * sizeof(qint32));
    bytes += qsizetype(m_names.capacity() * sizeof(NameEntry));
    return bytes;
}
