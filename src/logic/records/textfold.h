#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <vector>

// Text folded for matching what the user types against what the data says: lower case,
// accents dropped ("é" is "e"), ligatures and compatibility forms spelled out ("œ" is
// "oe", "æ" "ae", "ß" "ss", "™" "tm", "…" "..."), curly quotes and dashes in their
// keyboard forms ("’" is "'", "–" is "-") and every blank a space.
//
// Folded text is UTF-8: a folded word occurs in folded text exactly where a plain byte
// search finds it, since UTF-8 never matches part of a character.
namespace textfold {

void append(QStringView text, QByteArray &out);
QByteArray fold(QStringView text);

// Whether `text`, folded, begins with `foldedStart`: type-ahead and filters that ignore
// accents and case ("sarka" starts "Šarka Hound").
bool startsWith(QStringView text, QByteArrayView foldedStart);

// The words of a search text: folded, then split at blanks and punctuation ("giant, crab"
// is two words), but for what belongs inside a word: a group separator or decimal point
// between digits ("2,400", "1.5") and an apostrophe between letters ("giant's"). A hyphen
// parts words, so that "ice-troll" also finds "Troll, Ice". A word found inside another is
// left out (every record holding "giant" also holds "gia"); the longest come first, since
// they rule out the most records for the least work.
std::vector<QByteArray> words(QStringView text);

// The folded form of one byte of the data file as the user sees it, so the index is
// built without decoding: the comma substitute is a comma, the line-break substitute a
// blank.
QByteArrayView storedByte(unsigned char byte);

} // namespace textfold
