#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class MonsterTable;

// The main list as the player narrows and orders it: which table rows show, in which
// order. A name shows when every word of the filter occurs in it, in any order and as
// parts of words, both folded as the search window folds them (case and accents ignored).
// Each name is folded once; typing on narrows the rows already shown, and the A to Z
// order is sorted once, when first asked for.
class ListFilter
{
public:
    enum class Order { File, AToZ };

    ListFilter() = default; // an empty database
    explicit ListFilter(const MonsterTable &table);

    // Returns whether the rows shown changed.
    bool setText(const QString &text);
    bool setOrder(Order order);
    Order order() const { return m_order; }

    // The table rows shown, in order.
    const std::vector<qsizetype> &rows() const { return m_rows; }
    // Where a table row shows; -1 when the filter hides it.
    qsizetype position(qsizetype tableRow) const;
    qsizetype total() const { return qsizetype(m_start.size()) - 1; }
    // A filter with a word in it is on; blanks alone filter nothing.
    bool isFiltering() const { return !m_words.empty(); }
    // "12 of 912" while filtering, otherwise empty.
    QString countText() const;

private:
    QByteArrayView name(qsizetype row) const;
    bool matches(qsizetype row) const;
    void filterAll();
    const std::vector<qsizetype> &sorted();

    QByteArray m_folded;                // every name folded, one after the other
    std::vector<qsizetype> m_start{0};  // name r is m_folded[m_start[r], m_start[r + 1])
    std::vector<qsizetype> m_aToZ;      // every row, A to Z; empty until first asked for
    std::vector<QByteArray> m_words;
    Order m_order = Order::File;
    std::vector<qsizetype> m_rows;
};
