#include "listfilter.h"

#include "monstertable.h"
#include "textfold.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <string_view>

namespace {

std::string_view view(QByteArrayView bytes)
{
    return {bytes.data(), std::size_t(bytes.size())};
}

// Every word of `before` lies inside a word of `after`: whatever holds all of `after` holds
// all of `before`, so the rows `before` let through are enough to look at.
bool narrows(const std::vector<QByteArray> &before, const std::vector<QByteArray> &after)
{
    return std::all_of(before.begin(), before.end(), [&after](const QByteArray &old) {
        return std::any_of(after.begin(), after.end(),
                           [&old](const QByteArray &word) { return word.contains(old); });
    });
}

} // namespace

ListFilter::ListFilter(const MonsterTable &table)
{
    // Folded from the stored bytes as the search index folds them, so both match alike;
    // measured first, so the names are copied once into a buffer of their final size.
    std::array<QByteArrayView, 256> folded;
    for (int byte = 0; byte < 256; ++byte)
        folded[std::size_t(byte)] = textfold::storedByte(uchar(byte));
    const qsizetype rows = table.size();
    qsizetype total = 0;
    for (qsizetype r = 0; r < rows; ++r) {
        for (const char c : table.row(r).rawField(MonsterRecord::Name))
            total += folded[uchar(c)].size();
    }
    m_folded.resize(total);
    char *const begin = m_folded.data();
    char *out = begin;
    m_start.reserve(std::size_t(rows) + 1);
    for (qsizetype r = 0; r < rows; ++r) {
        for (const char c : table.row(r).rawField(MonsterRecord::Name)) {
            const QByteArrayView bytes = folded[uchar(c)];
            std::memcpy(out, bytes.data(), std::size_t(bytes.size()));
            out += bytes.size();
        }
        m_start.push_back(out - begin);
    }
    filterAll();
}

QByteArrayView ListFilter::name(qsizetype row) const
{
    const qsizetype begin = m_start[std::size_t(row)];
    return QByteArrayView(m_folded).sliced(begin, m_start[std::size_t(row) + 1] - begin);
}

bool ListFilter::matches(qsizetype row) const
{
    const std::string_view folded = view(name(row));
    return std::all_of(m_words.begin(), m_words.end(), [folded](const QByteArray &word) {
        return folded.find(view(word)) != std::string_view::npos;
    });
}

void ListFilter::filterAll()
{
    m_rows.clear();
    if (m_order == Order::AToZ) {
        for (const qsizetype row : sorted()) {
            if (matches(row))
                m_rows.push_back(row);
        }
        return;
    }
    for (qsizetype row = 0; row < total(); ++row) {
        if (matches(row))
            m_rows.push_back(row);
    }
}

const std::vector<qsizetype> &ListFilter::sorted()
{
    if (qsizetype(m_aToZ.size()) == total())
        return m_aToZ;
    m_aToZ.resize(std::size_t(total()));
    std::iota(m_aToZ.begin(), m_aToZ.end(), qsizetype(0));
    // Folded names, so that case and accents do not part names; namesakes in file order.
    std::sort(m_aToZ.begin(), m_aToZ.end(), [this](qsizetype a, qsizetype b) {
        const int order = view(name(a)).compare(view(name(b)));
        return order < 0 || (order == 0 && a < b);
    });
    return m_aToZ;
}

bool ListFilter::setText(const QString &text)
{
    std::vector<QByteArray> words = textfold::words(text);
    if (words == m_words)
        return false;
    const std::vector<qsizetype> before = m_rows;
    const bool narrowing = narrows(m_words, words);
    m_words = std::move(words);
    if (narrowing)
        std::erase_if(m_rows, [this](qsizetype row) { return !matches(row); });
    else
        filterAll();
    return m_rows != before;
}

bool ListFilter::setOrder(Order order)
{
    if (order == m_order)
        return false;
    m_order = order;
    const std::vector<qsizetype> before = m_rows;
    filterAll();
    return m_rows != before;
}

qsizetype ListFilter::position(qsizetype tableRow) const
{
    const auto at = std::find(m_rows.begin(), m_rows.end(), tableRow);
    return at == m_rows.end() ? -1 : qsizetype(at - m_rows.begin());
}

QString ListFilter::countText() const
{
    if (!isFiltering())
        return {};
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("%1 of %2").arg(english.toString(qlonglong(m_rows.size())),
                                          english.toString(qlonglong(total())));
}
