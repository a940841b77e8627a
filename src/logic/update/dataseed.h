#pragma once

#include "datafolder.h"

#include <QStringList>

// Where the data files live. A portable copy keeps them in the data folder beside the
// executable; an installed copy cannot write there (the downloader could never update
// it), so it keeps them in the user's own data folder, filled from the installed data.
namespace dataseed {

struct Locations
{
    DataFolder portable;  // the executable's folder followed by "data/"
    DataFolder installed; // the data that an installation brought
    DataFolder user;      // the per-user data folder
};

struct Choice
{
    DataFolder dataDir;
    // The folder to fill dataDir from first; null when dataDir is the portable folder.
    DataFolder seedFrom;
};

// The portable folder when it exists and can be written; otherwise the user folder,
// filled from the portable folder when that exists (read-only), else from the installed
// data.
Choice choose(const Locations &locations);

struct SeedResult
{
    QStringList copied; // data file names, with "/" separators
    QStringList failed;
};

// Brings the data files of `from` into `to`: those missing from `to`, and those whose
// entry in `from`'s update list has a higher version than `to`'s entry (files that the
// user's updates made newer stay). `to`'s update list then names the copied files at
// their new versions, and its version file moves to `from`'s when that is higher and
// every copy succeeded. Each file is replaced whole or not at all.
SeedResult seed(const DataFolder &from, const DataFolder &to);

} // namespace dataseed
