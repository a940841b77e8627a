#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

// One monster: fourteen text fields separated by "|", kept exactly as the data file
// holds them (Windows-1252, the comma and line-break substitutes included). A record is
// a view into its table and lives no longer than the table.
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

    // The bytes of a field as stored. Pieces after the fourteenth are ignored; missing
    // pieces read as empty.
    QByteArrayView rawField(int index) const;
    // The field decoded, substitutes kept.
    QString field(int index) const;

    // The text of the record's list entry: the name with every comma substitute undone.
    QString listText() const;

    // The record's bytes as stored, all pieces.
    QByteArrayView bytes() const { return m_bytes; }

private:
    friend class MonsterTable;
    explicit MonsterRecord(QByteArrayView bytes)
        : m_bytes(bytes)
    {}

    QByteArrayView m_bytes;
};

// The whole monster database, in file order. A list entry's index is its record's row.
// The file's bytes are kept as read, one piece per record, and decoded when asked for:
// the table costs little more memory than the file.
class MonsterTable
{
public:
    // Every non-empty item of the data becomes a record; empty items (blank lines, the
    // file's final empty line) are skipped.
    static MonsterTable parse(QByteArray fileBytes);

    // Far beyond any real database; a file past it is not one.
    static constexpr qint64 kMaxFileBytes = 512 * 1024 * 1024;

    // Reads and parses the file, a regular one of at most kMaxFileBytes. On failure
    // returns an empty table and sets `error` to the reason.
    static MonsterTable loadFile(const QString &path, QString *error = nullptr);

    qsizetype size() const { return qsizetype(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    MonsterRecord row(qsizetype r) const;

    QStringList listTexts() const;

private:
    struct Span
    {
        qsizetype begin;
        qsizetype size;
    };
    QByteArray m_bytes;
    std::vector<Span> m_rows;
};

// The data file's substitutes.
inline constexpr QChar kCommaSubstitute = QChar(0x00A1);     // ¡
inline constexpr QChar kLineBreakSubstitute = QChar(0x00BF); // ¿
