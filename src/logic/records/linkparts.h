#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// One part of a list value ("Areas Found", "Treasure") that can be followed to the
// monsters sharing it: its text, and where it stands in the value as shown (the stored
// value with its substitutes undone, as decodeForDisplay() gives it), so that a window can
// draw it as a link and find it under the mouse.
struct LinkPart
{
    QString text;
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const LinkPart &, const LinkPart &) = default;
};

// The parts of a stored value: split at its commas (the comma substitute) and at its line
// breaks (the line-break substitute), since a value shown one item a line lists items too;
// blanks around a part are not part of it, and empty parts and the "Data Unavailable" that
// stands for no value are left out.
std::vector<LinkPart> linkParts(QStringView stored);
