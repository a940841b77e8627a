#pragma once

#include <QtGlobal>
#include <functional>
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
    // The row shown, or -1 when none is (nothing visited, or it went with a reload).
    qsizetype current() const;

    // After the data is read again: each row's new row, or -1 for one gone. A gone current
    // entry leaves Back and Forward where they were around it.
    void remap(const std::function<qsizetype(qsizetype)> &newRow);

private:
    std::vector<qsizetype> m_rows;
    // The current entry; when `m_onEntry` is false the place just after it, m_at -1 being
    // before the first.
    qsizetype m_at = -1;
    bool m_onEntry = false;
};
