#pragma once

#include <QString>
#include <optional>

class SettingsStore;

// The user's note on each monster, kept in section "notes" under the monster's name as
// displayed. Stored text uses CR LF line breaks; the notes box edits with LF.
class MonsterNotes
{
public:
    explicit MonsterNotes(SettingsStore &store)
        : m_store(store)
    {}

    // The note for `name`, in the box's form. Empty for a name never noted; nothing when
    // the store cannot be read now.
    std::optional<QString> load(const QString &name) const;

    // Stores the box's text as the note for `name`. A note needs a name: with an empty
    // name nothing is stored.
    bool save(const QString &name, const QString &boxText);

private:
    SettingsStore &m_store;
};
