#pragma once

#include "monstertable.h"

#include <QAbstractListModel>
#include <memory>

// The monster list over the table: one row per record, its list text made when a view
// asks for it, so that a large database costs no item per row.
class MonsterListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit MonsterListModel(std::shared_ptr<const MonsterTable> table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Type-ahead: a list text matches what is typed at its start without regard to accents
    // or case, as search matches; other kinds of match are the model's usual ones.
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits,
                          Qt::MatchFlags flags) const override;

    // The row of the `occurrence`-th entry (from 0) whose list text is `text`; -1 when
    // there is none.
    qsizetype find(const QString &text, qsizetype occurrence) const;
    // Which entry of its text a row is: 0 for the first with that text.
    qsizetype occurrenceOf(qsizetype row) const;

private:
    std::shared_ptr<const MonsterTable> m_table;
};
