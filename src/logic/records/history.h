#pragma once

#include <QtGlobal>
#include <vector>

// Back and Forward through the monsters shown, as a browser goes through pages: showing a
// monster drops whatever lay ahead; Back and Forward move without dropping anything.
// Entries are table rows.
class History
{
public:
    // A monster shown by any means but Back and Forward. Showing the current one again
    // adds nothing.
    void visit(qsizetype row);

    bool canGoBack() const;
    bool canGoForward() const;
    // The row to show, or -1 when there is nowhere to go.
    qsizetype back();
    qsizetype forward();
    // The row shown, or -1 before any visit.
    qsizetype current() const;

private:
    std::vector<qsizetype> m_rows;
    // The current entry, -1 before the first visit. A reload of the data makes a new main
    // window, and with it a new history, so rows never go stale.
    qsizetype m_at = -1;
};
