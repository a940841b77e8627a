#pragma once

#include <QFlags>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// What the search window asks for. Every criterion is optional; a record matches when it
// meets all that are set.

enum class TextField : quint8 {
    Name = 0x01,
    Treasure = 0x02,
    Area = 0x04,
    Description = 0x08,
    Notes = 0x10,
};
inline constexpr int kTextFieldCount = 5;
Q_DECLARE_FLAGS(TextFields, TextField)
Q_DECLARE_OPERATORS_FOR_FLAGS(TextFields)

// The numeric fields a range can be asked of.
enum class RangeField { Hp, Level, Experience, JobExp, Defense, MDefense };
inline constexpr int kRangeFieldCount = 6;

// A number as the user reads it, or a range such as "60–65": its lowest and highest value.
struct ValueRange
{
    qint64 low = 0;
    qint64 high = 0;
    friend bool operator==(const ValueRange &, const ValueRange &) = default;
};

// Reads a field or a typed bound: "2,400" (stored "2¡400") is 2400; "60-65" with a
// hyphen, en dash, em dash or minus sign between the numbers is 60 to 65, in either order.
// A number may carry a leading minus ("-5", "−5 – 5"). Empty text, "Data Unavailable",
// decimals and any other text give nothing: the value is unavailable.
std::optional<ValueRange> readValue(QStringView text);

// True for the texts that stand for a missing value: empty, blanks only, or
// "Data Unavailable" in any case.
bool isUnavailableText(QStringView text);

struct SearchCriteria
{
    // Words that must all occur, each in at least one of `fields`, in any order and as
    // parts of words ("gia" finds "Giant"). A text with no field ticked matches nothing.
    QString text;
    TextFields fields = TextField::Name;

    // A value matches when it overlaps [from, to]; an empty bound is open.
    struct Range
    {
        std::optional<qint64> from;
        std::optional<qint64> to;
        bool isSet() const { return from.has_value() || to.has_value(); }
    };
    std::array<Range, kRangeFieldCount> ranges;
    Range &range(RangeField field) { return ranges[std::size_t(field)]; }
    const Range &range(RangeField field) const { return ranges[std::size_t(field)]; }

    // "Other" is any stated hostility besides yes and no, such as "Only when provoked".
    enum class Hostile { Any, Yes, No, Other } hostile = Hostile::Any;
    enum class Undead { Any, Yes, No } undead = Undead::Any;
    // Empty for any size, else one of SearchIndex::sizes() (compared ignoring case).
    QString size;
    // Whether the player has written a note on the monster (an emptied note is none).
    enum class HasNote { Any, Yes, No } hasNote = HasNote::Any;

    // Whether a record whose value is unavailable still meets a range or a choice on that
    // field. For ranges a value is unavailable when readValue() gives nothing; for the
    // choices when isUnavailableText() holds. Other texts are values: an undead field
    // reading "Sometimes" is neither yes nor no, and a hostile one is "other".
    bool includeUnavailable = true;
};
