#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

// One monster: fourteen text fields, kept exactly as the data file holds them (the
// comma and line-break substitutes included). The fields share one string.
class MonsterRecord
{
public:
    enum Field {
        Name,
        Hp,
        Level,
        Experience,
        Treasure,
        Description,
        Area,
        Attack,
        Undead,
        Picture,
        JobExp,
        Size,
        Defense,
        MDefense,
        FieldCount
    };

    // Splits `text` at every '|'. Pieces after the fourteenth are ignored; missing
    // pieces read as empty.
    explicit MonsterRecord(QString text);

    QStringView field(int index) const;

    // The text of the record's list entry: the name with every comma substitute undone.
    QString listText() const;

private:
    QString m_text;
    std::array<int, FieldCount> m_begin{};
    std::array<int, FieldCount> m_end{};
};

// The whole monster database, in file order. A list entry's index is its record's row.
class MonsterTable
{
public:
    // Every non-empty item of the data becomes a record; empty items (blank lines, the
    // file's final empty line) are skipped.
    static MonsterTable parse(QByteArrayView fileBytes);

    // Reads and parses the file. On failure returns an empty table and sets `error`
    // to the reason.
    static MonsterTable loadFile(const QString &path, QString *error = nullptr);

    qsizetype size() const { return qsizetype(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    const MonsterRecord &row(qsizetype r) const { return m_rows[std::size_t(r)]; }

    QStringList listTexts() const;

private:
    std::vector<MonsterRecord> m_rows;
};

// The data file's substitutes.
inline constexpr QChar kCommaSubstitute = QChar(0x00A1);     // ¡
inline constexpr QChar kLineBreakSubstitute = QChar(0x00BF); // ¿
