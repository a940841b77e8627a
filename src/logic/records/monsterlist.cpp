#include "monsterlist.h"

#include "textfold.h"

MonsterListModel::MonsterListModel(std::shared_ptr<const MonsterTable> table, QObject *parent)
    : QAbstractListModel(parent)
    , m_table(std::move(table))
    , m_filter(*m_table)
{}

int MonsterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_filter.rows().size());
}

QModelIndex MonsterListModel::index(int row, int column, const QModelIndex &parent) const
{
    const bool listed = row >= 0 && std::size_t(row) < m_filter.rows().size() && column == 0;
    return listed && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
}

QVariant MonsterListModel::data(const QModelIndex &index, int role) const
{
    const qsizetype row = tableRow(index.row());
    if (!index.isValid() || row < 0)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_table->row(row).listText();
    return {};
}

QModelIndexList MonsterListModel::match(const QModelIndex &start, int role, const QVariant &value,
                                        int hits, Qt::MatchFlags flags) const
{
    const int rows = rowCount();
    if (role != Qt::DisplayRole || (flags & Qt::MatchTypeMask) != Qt::MatchStartsWith ||
        flags.testFlag(Qt::MatchCaseSensitive) || start.model() != this || rows == 0)
        return QAbstractListModel::match(start, role, value, hits, flags);
    const QByteArray typed = textfold::fold(value.toString());
    const int end = flags.testFlag(Qt::MatchWrap) ? start.row() + rows : rows;
    QModelIndexList found;
    for (int r = start.row(); r < end && (hits < 0 || found.size() < hits); ++r) {
        if (textfold::startsWith(m_table->row(tableRow(r % rows)).listText(), typed))
            found.append(index(r % rows));
    }
    return found;
}

bool MonsterListModel::changed(bool rowsChanged)
{
    // A reset costs the view one pass over the rows, less than telling it what moved.
    if (rowsChanged) {
        beginResetModel();
        endResetModel();
    }
    return rowsChanged;
}

bool MonsterListModel::setFilterText(const QString &text)
{
    return changed(m_filter.setText(text));
}

bool MonsterListModel::setOrder(ListFilter::Order order)
{
    return changed(m_filter.setOrder(order));
}

qsizetype MonsterListModel::tableRow(int listRow) const
{
    const std::vector<qsizetype> &rows = m_filter.rows();
    return listRow >= 0 && std::size_t(listRow) < rows.size() ? rows[std::size_t(listRow)] : -1;
}

int MonsterListModel::listRow(qsizetype tableRow) const
{
    if (tableRow < 0 || tableRow >= m_table->size())
        return -1;
    // Listed whole in file order, a record is where it is in the table.
    if (!m_filter.isFiltering() && m_filter.order() == ListFilter::Order::File)
        return int(tableRow);
    return int(m_filter.position(tableRow));
}

qsizetype MonsterListModel::find(const QString &text, qsizetype occurrence) const
{
    for (qsizetype row = 0; row < m_table->size(); ++row) {
        if (m_table->row(row).listText() == text && occurrence-- == 0)
            return row;
    }
    return -1;
}

qsizetype MonsterListModel::occurrenceOf(qsizetype row) const
{
    // Counted for every row at once, the first time: the window asks at each selection, and
    // counting the entries before it each time took milliseconds in a large database.
    if (m_occurrences.empty()) {
        QHash<QString, qsizetype> seen;
        m_occurrences.reserve(std::size_t(m_table->size()));
        for (qsizetype r = 0; r < m_table->size(); ++r)
            m_occurrences.push_back(seen[m_table->row(r).listText()]++);
    }
    return row >= 0 && row < m_table->size() ? m_occurrences[std::size_t(row)] : 0;
}
