#include "itemreader.h"

namespace {

bool isDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

} // namespace

QByteArrayView ItemReader::next()
{
    const qsizetype size = m_data.size();
    while (m_pos < size && (m_data[m_pos] == ' ' || m_data[m_pos] == '\t'))
        ++m_pos;
    if (m_pos >= size)
        return {};

    if (m_data[m_pos] == '"') {
        const qsizetype start = m_pos + 1;
        qsizetype close = m_data.indexOf('"', start);
        if (close < 0)
            close = size;
        m_pos = close + 1;
        skipToDelimiter();
        consumeDelimiter();
        return m_data.sliced(start, close - start);
    }

    const qsizetype start = m_pos;
    skipToDelimiter();
    const QByteArrayView item = m_data.sliced(start, m_pos - start);
    consumeDelimiter();
    return item;
}

void ItemReader::skipToDelimiter()
{
    while (m_pos < m_data.size() && !isDelimiter(m_data[m_pos]))
        ++m_pos;
}

void ItemReader::consumeDelimiter()
{
    if (m_pos >= m_data.size())
        return;
    const char c = m_data[m_pos++];
    if (c == '\r' && m_pos < m_data.size() && m_data[m_pos] == '\n')
        ++m_pos;
}
