#pragma once

#include <QAbstractTableModel>
#include <array>
#include <memory>
#include <vector>

class SearchIndex;

// The rows a search found, as a table for the search window. Cells show the texts the
// main window shows; rows can be sorted by any column (numbers as numbers, unavailable
// values last in either direction, equal values in file order), and the sort stays when
// new results arrive.
class SearchResultsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        HpColumn,
        LevelColumn,
        ExperienceColumn,
        JobExpColumn,
        SizeColumn,
        HostileColumn,
        UndeadColumn,
        AreaColumn,
        ColumnCount
    };

    explicit SearchResultsModel(QObject *parent = nullptr);
    ~SearchResultsModel() override;

    // The index the results come from; clears the results.
    void setIndex(std::shared_ptr<const SearchIndex> index);
    // New results: table rows in file order, as SearchIndex::run() gives them.
    void setResults(std::vector<qsizetype> tableRows);

    // The table row shown at `resultRow`, or -1 outside the results.
    qsizetype tableRow(int resultRow) const;
    // "12 of 32,767 monsters".
    QString countText() const;
    // Every row in the order shown, with every column under its title: as a CSV file, and
    // as text to paste into a spreadsheet.
    QByteArray toCsv() const;
    QString toTabSeparated() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A column of -1 restores file order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    QString cellText(qsizetype tableRow, int column) const;
    QList<QStringList> allCells() const;
    // Every table row's place in the column's order; unavailable values rank last.
    const std::vector<quint32> &ranks(int column);
    void applySort();

    std::shared_ptr<const SearchIndex> m_index;
    std::vector<qsizetype> m_rows;
    std::array<std::vector<quint32>, ColumnCount> m_ranks; // built on first sort by column
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
