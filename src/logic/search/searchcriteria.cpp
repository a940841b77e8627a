#include "searchcriteria.h"

#include "monstertable.h"

namespace {

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

bool isMinus(QChar ch)
{
    return ch == u'-' || ch == QChar(0x2212);
}

bool isDash(QChar ch)
{
    return isMinus(ch) || ch == QChar(0x2013) || ch == QChar(0x2014);
}

bool isGroupSeparator(QChar ch)
{
    return ch == u',' || ch == kCommaSubstitute;
}

void skipBlanks(QStringView text, qsizetype &pos)
{
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
}

// A whole number at `pos`: an optional minus, then digits, a group separator allowed only
// between two digits.
std::optional<qint64> readNumber(QStringView text, qsizetype &pos)
{
    const bool negative = pos < text.size() && isMinus(text[pos]);
    qsizetype at = negative ? pos + 1 : pos;
    if (at >= text.size() || !isDigit(text[at]))
        return std::nullopt;
    qint64 value = 0;
    int digits = 0;
    while (at < text.size()) {
        if (isGroupSeparator(text[at]) && at + 1 < text.size() && isDigit(text[at + 1]))
            ++at;
        else if (!isDigit(text[at]))
            break;
        if (++digits > 18) // beyond this a qint64 could overflow
            return std::nullopt;
        value = value * 10 + (text[at].unicode() - u'0');
        ++at;
    }
    pos = at;
    return negative ? -value : value;
}

} // namespace

std::optional<ValueRange> readValue(QStringView text)
{
    qsizetype pos = 0;
    skipBlanks(text, pos);
    const std::optional<qint64> first = readNumber(text, pos);
    if (!first)
        return std::nullopt;
    skipBlanks(text, pos);
    if (pos == text.size())
        return ValueRange{*first, *first};
    if (!isDash(text[pos]))
        return std::nullopt;
    ++pos;
    skipBlanks(text, pos);
    const std::optional<qint64> second = readNumber(text, pos);
    skipBlanks(text, pos);
    if (!second || pos != text.size())
        return std::nullopt;
    return ValueRange{std::min(*first, *second), std::max(*first, *second)};
}

bool isUnavailableText(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    return trimmed.isEmpty() || trimmed.compare(u"Data Unavailable", Qt::CaseInsensitive) == 0;
}
