#include "searchresults.h"

#include "csv.h"
#include "recordview.h"
#include "searchindex.h"
#include "textfold.h"

#include <algorithm>
#include <limits>

namespace {

constexpr quint32 kUnavailableRank = std::numeric_limits<quint32>::max();

struct ColumnInfo
{
    const char16_t *title;
    int field; // MonsterRecord::Field
    std::optional<RangeField> number;
};

const ColumnInfo kColumns[SearchResultsModel::ColumnCount] = {
    {u"Name", MonsterRecord::Name, {}},
    {u"HP", MonsterRecord::Hp, RangeField::Hp},
    {u"Level", MonsterRecord::Level, RangeField::Level},
    {u"Experience", MonsterRecord::Experience, RangeField::Experience},
    {u"Job Exp.", MonsterRecord::JobExp, RangeField::JobExp},
    {u"Size", MonsterRecord::Size, {}},
    {u"Hostile", MonsterRecord::Attack, {}},
    {u"Undead", MonsterRecord::Undead, {}},
    {u"Areas", MonsterRecord::Area, {}},
};

// A count, never negative.
QString grouped(qsizetype count)
{
    QString digits = QString::number(count);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return digits;
}

} // namespace

SearchResultsModel::SearchResultsModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

SearchResultsModel::~SearchResultsModel() = default;

void SearchResultsModel::setIndex(std::shared_ptr<const SearchIndex> index)
{
    beginResetModel();
    m_index = std::move(index);
    m_rows.clear();
    for (std::vector<quint32> &ranks : m_ranks)
        ranks = {};
    endResetModel();
}

void SearchResultsModel::setResults(std::vector<qsizetype> tableRows)
{
    beginResetModel();
    m_rows = std::move(tableRows);
    applySort();
    endResetModel();
}

qsizetype SearchResultsModel::tableRow(int resultRow) const
{
    if (resultRow < 0 || std::size_t(resultRow) >= m_rows.size())
        return -1;
    return m_rows[std::size_t(resultRow)];
}

QString SearchResultsModel::countText() const
{
    const qsizetype total = m_index ? m_index->size() : 0;
    return QStringLiteral("%1 of %2 %3")
        .arg(grouped(qsizetype(m_rows.size())), grouped(total),
             total == 1 ? QStringLiteral("monster") : QStringLiteral("monsters"));
}

QList<QStringList> SearchResultsModel::allCells() const
{
    QList<QStringList> cells(1);
    for (const ColumnInfo &column : kColumns)
        cells.front().append(QString::fromUtf16(column.title));
    for (const qsizetype row : m_rows) {
        QStringList &line = cells.emplace_back();
        for (int column = 0; column < ColumnCount; ++column)
            line.append(cellText(row, column));
    }
    return cells;
}

QByteArray SearchResultsModel::toCsv() const
{
    return csv::write(allCells());
}

QString SearchResultsModel::toTabSeparated() const
{
    return csv::tabSeparated(allCells());
}

int SearchResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int SearchResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString SearchResultsModel::cellText(qsizetype tableRow, int column) const
{
    // One line per cell: a line break in the data shows as a blank.
    const QString shown =
        decodeForDisplay(m_index->table().row(tableRow).field(kColumns[column].field));
    return QString(shown).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

QVariant SearchResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(m_rows[std::size_t(index.row())], index.column());
    if (role == Qt::TextAlignmentRole && kColumns[index.column()].number)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromUtf16(kColumns[section].title);
}

const std::vector<quint32> &SearchResultsModel::ranks(int column)
{
    std::vector<quint32> &ranks = m_ranks[std::size_t(column)];
    const std::size_t rows = m_index ? std::size_t(m_index->size()) : 0;
    if (ranks.size() == rows)
        return ranks;

    // Numbers by their low, then high end; texts folded, so that case and accents do
    // not split equal texts apart.
    const std::optional<RangeField> field = kColumns[column].number;
    std::vector<ValueRange> numbers(field ? rows : 0);
    std::vector<QByteArray> texts(field ? 0 : rows);
    std::vector<quint32> available;
    available.reserve(rows);
    const QByteArray unavailableText = textfold::fold(u"Data Unavailable");
    for (std::size_t r = 0; r < rows; ++r) {
        if (field) {
            const std::optional<ValueRange> value = m_index->value(qsizetype(r), *field);
            numbers[r] = value.value_or(ValueRange{});
            if (value)
                available.push_back(quint32(r));
        } else {
            texts[r] = textfold::fold(cellText(qsizetype(r), column)).trimmed();
            if (!texts[r].isEmpty() && texts[r] != unavailableText)
                available.push_back(quint32(r));
        }
    }
    const auto less = [&](quint32 a, quint32 b) {
        if (field)
            return std::pair(numbers[a].low, numbers[a].high) <
                   std::pair(numbers[b].low, numbers[b].high);
        return texts[a] < texts[b];
    };
    std::stable_sort(available.begin(), available.end(), less);
    ranks.assign(rows, kUnavailableRank);
    quint32 rank = 0;
    for (std::size_t i = 0; i < available.size(); ++i) {
        if (i > 0 && less(available[i - 1], available[i]))
            ++rank;
        ranks[available[i]] = rank;
    }
    return ranks;
}

void SearchResultsModel::applySort()
{
    if (m_sortColumn < 0 || !m_index) {
        std::sort(m_rows.begin(), m_rows.end());
        return;
    }
    const std::vector<quint32> &rank = ranks(m_sortColumn);
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::sort(m_rows.begin(), m_rows.end(), [&rank, ascending](qsizetype a, qsizetype b) {
        const quint32 ra = rank[std::size_t(a)];
        const quint32 rb = rank[std::size_t(b)];
        if (ra == rb)
            return a < b;
        if (ra == kUnavailableRank || rb == kUnavailableRank)
            return rb == kUnavailableRank;
        return ascending ? ra < rb : ra > rb;
    });
}

void SearchResultsModel::sort(int column, Qt::SortOrder order)
{
    if (column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<qsizetype> heldRows;
    heldRows.reserve(std::size_t(before.size()));
    for (const QModelIndex &index : before)
        heldRows.push_back(m_rows[std::size_t(index.row())]);

    m_sortColumn = column < 0 ? -1 : column;
    m_sortOrder = order;
    applySort();

    if (!before.isEmpty()) {
        QHash<qsizetype, int> position;
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            position.insert(m_rows[i], int(i));
        QModelIndexList after;
        for (qsizetype i = 0; i < before.size(); ++i)
            after.append(index(position.value(heldRows[std::size_t(i)]), before[i].column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
