#include "monstertable.h"

#include "itemreader.h"
#include "wholefile.h"
#include "windows1252.h"

QByteArrayView MonsterRecord::rawField(int index) const
{
    if (index < 0 || index >= FieldCount)
        return {};
    qsizetype begin = 0;
    for (int f = 0; f < index; ++f) {
        const qsizetype bar = m_bytes.indexOf('|', begin);
        if (bar < 0)
            return {}; // a missing piece
        begin = bar + 1;
    }
    qsizetype end = m_bytes.indexOf('|', begin);
    if (end < 0)
        end = m_bytes.size();
    return m_bytes.sliced(begin, end - begin);
}

QString MonsterRecord::field(int index) const
{
    return windows1252::decode(rawField(index));
}

QString MonsterRecord::listText() const
{
    return field(Name).replace(kCommaSubstitute, u',');
}

MonsterTable MonsterTable::parse(QByteArray fileBytes)
{
    MonsterTable table;
    table.m_bytes = std::move(fileBytes);
    ItemReader reader(table.m_bytes);
    const char *const start = table.m_bytes.constData();
    while (!reader.atEnd()) {
        const QByteArrayView item = reader.next();
        if (!item.isEmpty())
            table.m_rows.push_back({item.data() - start, item.size()});
    }
    table.m_rows.shrink_to_fit();
    return table;
}

MonsterTable MonsterTable::loadFile(const QString &path, QString *error)
{
    std::optional<QByteArray> bytes = wholefile::read(path, kMaxFileBytes, error);
    return bytes ? parse(std::move(*bytes)) : MonsterTable();
}

MonsterRecord MonsterTable::row(qsizetype r) const
{
    const Span &span = m_rows[std::size_t(r)];
    return MonsterRecord(QByteArrayView(m_bytes).sliced(span.begin, span.size));
}

QStringList MonsterTable::listTexts() const
{
    QStringList texts;
    texts.reserve(size());
    for (qsizetype r = 0; r < size(); ++r)
        texts.append(row(r).listText());
    return texts;
}
