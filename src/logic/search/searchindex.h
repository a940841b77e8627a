#pragma once

#include "monstertable.h"
#include "searchcriteria.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <optional>
#include <vector>

// The user's notes, folded for searching. A value: the window keeps one, changes a note
// as the user types (setNote() costs one note's folding) and hands a copy to each search.
// Copies share their data until one is changed, so a copy is cheap and a search running
// on another thread never sees a later change.
class NotesSnapshot
{
public:
    NotesSnapshot() = default;
    // Note key (notesfile::key(): the name as displayed and, for a later namesake, its
    // number) to note text, as the store holds them:
    // SettingsStore::entries(settingkeys::kNotes).
    explicit NotesSnapshot(const QHash<QString, QString> &notes);

    // An empty text removes the note.
    void setNote(const QString &key, const QString &text);
    qsizetype size() const { return m_notes.size(); }

private:
    friend class SearchIndex;
    struct Note
    {
        QByteArray storedName; // as the data file writes it; empty if no record can have it
        qsizetype occurrence = 1; // which record of that name, from 1
        QByteArray folded;
    };
    QHash<QString, Note> m_notes;
};

// Everything a search reads, prepared once per loaded database: each text field folded
// into one buffer, each number read, each choice classified. Immutable once built, so one
// index (held in a std::shared_ptr<const SearchIndex>) can serve searches on any number
// of threads while the window shows results from it.
//
// A search after each keystroke, off the window's thread:
//     cancel the previous search's flag, give the new one a fresh flag, then
//     rows = index->run(criteria, notesCopy, &flag);   // on a worker
//     if the flag is still clear, hand rows to SearchResultsModel::setResults().
class SearchIndex
{
public:
    SearchIndex() = default; // an empty database
    explicit SearchIndex(MonsterTable table);

    const MonsterTable &table() const { return m_table; }
    qsizetype size() const { return m_table.size(); }

    // The distinct sizes of the data in the order they first occur, unavailable ones left
    // out; sizes differing only in case count once, spelled as first seen.
    const QStringList &sizes() const { return m_sizes; }

    // A record's number for a range; nothing when unavailable.
    std::optional<ValueRange> value(qsizetype row, RangeField field) const;

    // The rows that match, in file order. When `cancel` becomes true during the run the
    // result is empty and meant to be dropped.
    std::vector<qsizetype> run(const SearchCriteria &criteria, const NotesSnapshot &notes,
                               const std::atomic_bool *cancel = nullptr) const;

    // The heap memory the index holds beyond the table it was built from.
    qsizetype memoryUsed() const;

private:
    enum Choice : quint8 { Yes, No, Other, Unavailable };

    // One text field of every record, folded: record r is text[start[r], start[r + 1] - 1),
    // each followed by a line break that no word can hold. A small Bloom filter per record
    // of the bytes and byte pairs it holds rules out most records before any byte search.
    struct TextColumn
    {
        QByteArray text;
        std::vector<quint32> start;
        std::vector<quint64> signature; // `words` per record
        int words = 1;
        int bitsLog2 = 6;

        QByteArrayView slice(qsizetype row) const;
        std::vector<quint64> signatureOf(QByteArrayView folded) const;
        bool mayHold(qsizetype row, const std::vector<quint64> &wanted) const;
    };
    static constexpr int kTextColumns = 4; // Name, Treasure, Area, Description

    struct NameEntry
    {
        quint32 hash;
        quint32 row;
        friend bool operator<(const NameEntry &a, const NameEntry &b)
        {
            return a.hash < b.hash || (a.hash == b.hash && a.row < b.row);
        }
    };

    void buildText(int column, int field);
    qsizetype sizeIdOf(const QString &trimmedSize) const;
    bool meetsChoicesAndRanges(qsizetype row, const SearchCriteria &criteria,
                               qsizetype sizeId) const;
    // Per word, a bit per record: the records whose note holds the word.
    std::vector<std::vector<bool>> noteHits(const std::vector<QByteArray> &words,
                                            const NotesSnapshot &notes) const;
    // Marks the record the note belongs to.
    void addNotedRow(const NotesSnapshot::Note &note, std::vector<bool> &hits) const;

    MonsterTable m_table;
    std::array<TextColumn, kTextColumns> m_text;
    std::array<std::vector<ValueRange>, kRangeFieldCount> m_numbers; // low > high: unavailable
    std::vector<Choice> m_hostile;
    std::vector<Choice> m_undead;
    std::vector<qint32> m_sizeIds; // into m_sizes, -1 unavailable
    QStringList m_sizes;
    QHash<QString, qint32> m_sizeIdByKey; // case folded
    std::vector<NameEntry> m_names;       // sorted; each row's stored name, by hash
};
