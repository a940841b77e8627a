#include "textfold.h"

#include "monstertable.h"
#include "windows1252.h"

#include <QString>
#include <algorithm>
#include <array>

namespace textfold {
namespace {

// The character at `i`, which moves past it; a lone surrogate stands for itself.
char32_t nextCodePoint(QStringView text, qsizetype &i)
{
    const QChar first = text[i++];
    if (first.isHighSurrogate() && i < text.size() && text[i].isLowSurrogate())
        return QChar::surrogateToUcs4(first, text[i++]);
    return first.unicode();
}

void appendUtf8(char32_t c, QByteArray &out)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Letters that no decomposition takes apart, and the typographic forms of keyboard
// characters. Looked up after case folding, so only lower case letters are listed.
const char *spelledOut(char32_t c)
{
    struct Spelling
    {
        char32_t from;
        const char *to;
    };
    static constexpr Spelling spellings[] = {
        {0x00E6, "ae"}, {0x0153, "oe"}, {0x00DF, "ss"}, {0x00FE, "th"}, // æ œ ß þ
        {0x00F8, "o"},  {0x00F0, "d"},  {0x0111, "d"},  {0x0127, "h"},  // ø ð đ ħ
        {0x0131, "i"},  {0x0142, "l"},  {0x0167, "t"},  {0x0192, "f"},  // ı ł ŧ ƒ
        {0x02C6, " "}, // a lone circumflex, as "´" and "˜" decompose to
        {0x2018, "'"},  {0x2019, "'"},  {0x201A, "'"},  {0x201B, "'"},  {0x2032, "'"},
        {0x201C, "\""}, {0x201D, "\""}, {0x201E, "\""}, {0x201F, "\""}, {0x2033, "\""},
        {0x2010, "-"},  {0x2011, "-"},  {0x2012, "-"},  {0x2013, "-"},  {0x2014, "-"},
        {0x2015, "-"},  {0x2212, "-"},
    };
    for (const Spelling &spelling : spellings) {
        if (spelling.from == c)
            return spelling.to;
    }
    return nullptr;
}

void foldCodePoint(char32_t c, QByteArray &out)
{
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        else if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r')
            c = ' ';
        out.append(char(c));
        return;
    }
    if (QChar::isSpace(c)) {
        out.append(' ');
        return;
    }
    c = QChar::toCaseFolded(c);
    if (const char *spelled = spelledOut(c)) {
        out.append(spelled);
        return;
    }
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
        return; // an accent, typed or stored apart from its letter
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    if (decomposed.size() == 1 && decomposed.front().unicode() == c) {
        appendUtf8(c, out);
        return;
    }
    // The decomposition is final, so each of its characters folds without decomposing.
    for (qsizetype i = 0; i < decomposed.size();)
        foldCodePoint(nextCodePoint(decomposed, i), out);
}

struct StoredByteTable
{
    std::array<QByteArray, 256> folded;

    StoredByteTable()
    {
        for (int b = 0; b < 256; ++b) {
            const QChar ch = windows1252::toUnicode(uchar(b));
            if (ch == kCommaSubstitute)
                folded[b] = ",";
            else if (ch == kLineBreakSubstitute)
                folded[b] = " ";
            else
                folded[b] = fold(QStringView(&ch, 1));
        }
    }
};

} // namespace

void append(QStringView text, QByteArray &out)
{
    for (qsizetype i = 0; i < text.size();)
        foldCodePoint(nextCodePoint(text, i), out);
}

QByteArray fold(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    append(text, out);
    return out;
}

bool startsWith(QStringView text, QByteArrayView foldedStart)
{
    return fold(text).startsWith(foldedStart);
}

std::vector<QByteArray> words(QStringView text)
{
    QString spaced = QString::fromUtf8(fold(text));
    const QString folded = spaced;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar c = folded[i];
        if (c.isLetterOrNumber() || c.isMark() || c.isSurrogate() || c == u' ')
            continue;
        const QChar before = i > 0 ? folded[i - 1] : QChar();
        const QChar after = i + 1 < folded.size() ? folded[i + 1] : QChar();
        const bool inNumber = (c == u',' || c == u'.') && before.isDigit() && after.isDigit();
        const bool inWord = c == u'\'' && before.isLetter() && after.isLetter();
        if (!inNumber && !inWord)
            spaced[i] = u' ';
    }
    std::vector<QByteArray> all;
    for (QByteArray &word : spaced.toUtf8().split(' ')) {
        if (!word.isEmpty())
            all.push_back(std::move(word));
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
    std::vector<QByteArray> kept;
    for (QByteArray &word : all) {
        const bool covered = std::any_of(kept.begin(), kept.end(),
                                         [&word](const QByteArray &k) { return k.contains(word); });
        if (!covered)
            kept.push_back(std::move(word));
    }
    return kept;
}

QByteArrayView storedByte(unsigned char byte)
{
    static const StoredByteTable table;
    return table.folded[byte];
}

} // namespace textfold
