#include "history.h"

void History::visit(qsizetype row)
{
    if (m_at >= 0 && m_rows[std::size_t(m_at)] == row)
        return;
    m_rows.resize(std::size_t(m_at + 1));
    m_rows.push_back(row);
    m_at = qsizetype(m_rows.size()) - 1;
}

bool History::canGoBack() const
{
    return m_at > 0;
}

bool History::canGoForward() const
{
    return m_at + 1 < qsizetype(m_rows.size());
}

qsizetype History::back()
{
    return canGoBack() ? m_rows[std::size_t(--m_at)] : -1;
}

qsizetype History::forward()
{
    return canGoForward() ? m_rows[std::size_t(++m_at)] : -1;
}

qsizetype History::current() const
{
    return m_at >= 0 ? m_rows[std::size_t(m_at)] : -1;
}
