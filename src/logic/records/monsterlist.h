#pragma once

#include "listfilter.h"
#include "monstertable.h"

#include <QAbstractListModel>
#include <memory>
#include <vector>

// The monster list over the table: a row per record the filter lets through, in file order
// or A to Z, its list text made when a view asks for it, so that a large database costs no
// item per row. List rows are the rows of the model; table rows those of the table.
class MonsterListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit MonsterListModel(std::shared_ptr<const MonsterTable> table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    // Without the general checks: a view laying out the list asks for every row's index.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Type-ahead: a list text matches what is typed at its start without regard to accents
    // or case, as search matches; other kinds of match are the model's usual ones.
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits,
                          Qt::MatchFlags flags) const override;

    // The names that hold every word of `text`, as ListFilter finds them, and their order.
    // The model is reset when the rows listed change (views lose their selection then);
    // each returns whether they did.
    bool setFilterText(const QString &text);
    bool setOrder(ListFilter::Order order);
    ListFilter::Order order() const { return m_filter.order(); }
    bool isFiltering() const { return m_filter.isFiltering(); }
    // "12 of 912" while filtering, otherwise empty.
    QString countText() const { return m_filter.countText(); }

    // The table row at a list row, or -1; the list row of a table row, or -1 when the filter
    // hides it.
    qsizetype tableRow(int listRow) const;
    int listRow(qsizetype tableRow) const;

    // The table row of the `occurrence`-th record (from 0) whose list text is `text`; -1 when
    // there is none.
    qsizetype find(const QString &text, qsizetype occurrence) const;
    // Which record of its list text a table row is: 0 for the first with that text.
    qsizetype occurrenceOf(qsizetype row) const;

private:
    bool changed(bool rowsChanged);

    std::shared_ptr<const MonsterTable> m_table;
    ListFilter m_filter;
    mutable std::vector<qsizetype> m_occurrences;
};
