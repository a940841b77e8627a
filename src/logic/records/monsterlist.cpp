#include "monsterlist.h"

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
