#include "monstertable.h"

#include "itemreader.h"
#include "windows1252.h"

#include <QFile>

MonsterRecord::MonsterRecord(QString text)
    : m_text(std::move(text))
{
    int begin = 0;
    for (int f = 0; f < FieldCount; ++f) {
        if (begin > m_text.size()) {
            m_begin[f] = m_end[f] = 0; // missing piece
            continue;
        }
        qsizetype bar = m_text.indexOf(u'|', begin);
        if (bar < 0)
            bar = m_text.size();
        m_begin[f] = begin;
        m_end[f] = int(bar);
        begin = int(bar) + 1;
    }
}

QStringView MonsterRecord::field(int index) const
{
    if (index < 0 || index >= FieldCount)
        return {};
    return QStringView(m_text).sliced(m_begin[index], m_end[index] - m_begin[index]);
}

QString MonsterRecord::listText() const
{
    return field(Name).toString().replace(kCommaSubstitute, u',');
}

MonsterTable MonsterTable::parse(QByteArrayView fileBytes)
{
    MonsterTable table;
    // Roughly one record per line; reserving avoids repeated moves on large files.
    table.m_rows.reserve(std::size_t(fileBytes.count('\n') + 1));
    ItemReader reader(fileBytes);
    while (!reader.atEnd()) {
        const QByteArrayView item = reader.next();
        if (!item.isEmpty())
            table.m_rows.emplace_back(windows1252::decode(item));
    }
    return table;
}

MonsterTable MonsterTable::loadFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return {};
    }
    if (error)
        error->clear();
    return parse(bytes);
}

QStringList MonsterTable::listTexts() const
{
    QStringList texts;
    texts.reserve(size());
    for (const MonsterRecord &record : m_rows)
        texts.append(record.listText());
    return texts;
}
