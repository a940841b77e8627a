#pragma once

#include <QString>

class SettingsStore;

// The option switches of section "settings", and the position keys of "placement".
namespace settingkeys {

inline const QString kSettings = QStringLiteral("settings");
inline const QString kPlacement = QStringLiteral("placement");
inline const QString kNotes = QStringLiteral("notes");

inline const QString kSearch = QStringLiteral("search");
inline const QString kUnavailable = QStringLiteral("unavailable");
inline const QString kProgUpdates = QStringLiteral("progupdates");
inline const QString kDbUpdates = QStringLiteral("dbupdates");
inline const QString kSavePosition = QStringLiteral("saveposition");
// The monster list's order, "atoz" or file order; the main window's text size in percent.
inline const QString kListOrder = QStringLiteral("listorder");
inline const QString kTextSize = QStringLiteral("textsize");

inline const QString kMainTop = QStringLiteral("maintop");
inline const QString kMainLeft = QStringLiteral("mainleft");
// The main window's inner size (twips, as the edges) and "1" while it is maximised; the
// edges and size stay those it has when it is not.
inline const QString kMainWidth = QStringLiteral("mainwidth");
inline const QString kMainHeight = QStringLiteral("mainheight");
inline const QString kMainMaximized = QStringLiteral("mainmaximized");
inline const QString kSearchTop = QStringLiteral("searchtop");
inline const QString kSearchLeft = QStringLiteral("searchleft");
// The monster shown last: its list text, and which entry of that text (from 0).
inline const QString kLastMonster = QStringLiteral("lastmonster");
inline const QString kLastOccurrence = QStringLiteral("lastoccurrence");

} // namespace settingkeys

// A switch is on when its text reads as the number 1; text that is not a number is off.
bool switchIsOn(const QString &text);

// The check box state a switch's text stands for: 0 clear, 1 ticked, 2 the third
// (greyed) state. Text that reads as none of them shows the box clear.
int boxState(const QString &text);

// Stores "1" under the switch when it reads empty ("0" is left alone), and tells whether
// it is on.
bool fillAndReadSwitch(SettingsStore &store, const QString &key);

// The same for each of the five switches.
void fillDefaultSwitches(SettingsStore &store);
