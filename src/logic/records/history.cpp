#include "history.h"

void History::visit(qsizetype row)
{
    if (m_at >= 0 && m_rows[std::size_t(m_at)] == row) {
        m_onEntry = true;
        return;
    }
    m_rows.resize(std::size_t(m_at + 1));
    m_rows.push_back(row);
    m_at = qsizetype(m_rows.size()) - 1;
    m_onEntry = true;
}

bool History::canGoBack() const
{
    return m_onEntry ? m_at > 0 : m_at >= 0;
}

bool History::canGoForward() const
{
    return m_at + 1 < qsizetype(m_rows.size());
}

qsizetype History::back()
{
    if (!canGoBack())
        return -1;
    if (m_onEntry)
        --m_at;
    m_onEntry = true;
    return m_rows[std::size_t(m_at)];
}

qsizetype History::forward()
{
    if (!canGoForward())
        return -1;
    ++m_at;
    m_onEntry = true;
    return m_rows[std::size_t(m_at)];
}

qsizetype History::current() const
{
    return m_onEntry ? m_rows[std::size_t(m_at)] : -1;
}

void History::remap(const std::function<qsizetype(qsizetype)> &newRow)
{
    std::vector<qsizetype> rows;
    qsizetype at = -1;
    bool onEntry = false;
    for (qsizetype i = 0; i < qsizetype(m_rows.size()); ++i) {
        const qsizetype row = newRow(m_rows[std::size_t(i)]);
        // Two entries that now lie side by side for one monster are one stop.
        if (row >= 0 && (rows.empty() || rows.back() != row))
            rows.push_back(row);
        if (i <= m_at)
            at = qsizetype(rows.size()) - 1;
        if (i == m_at)
            onEntry = m_onEntry && row >= 0;
    }
    m_rows = std::move(rows);
    m_at = at;
    m_onEntry = onEntry;
}
