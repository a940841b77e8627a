#include "monsterlist.h"

#include "textfold.h"

MonsterListModel::MonsterListModel(std::shared_ptr<const MonsterTable> table, QObject *parent)
    : QAbstractListModel(parent)
    , m_table(std::move(table))
{}

int MonsterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table->size());
}

QVariant MonsterListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_table->size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_table->row(index.row()).listText();
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
        if (textfold::startsWith(m_table->row(r % rows).listText(), typed))
            found.append(index(r % rows));
    }
    return found;
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
    const QString text = m_table->row(row).listText();
    qsizetype occurrence = 0;
    for (qsizetype r = 0; r < row; ++r)
        occurrence += m_table->row(r).listText() == text;
    return occurrence;
}
