#pragma once

#include "datafolder.h"

#include <QStringList>
#include <functional>

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

struct SeedResult
{
    QStringList copied; // data file names, with "/" separators
    QStringList failed;
    QString problem; // why the first of them failed
};

// Brings the data files of `from` into `to`. Files missing from `to` are always copied. The
// rest are replaced only when `from`'s database (its version file) is newer than `to`'s, or
// `to` has none: then each file whose entry in `to`'s update list differs from `from`'s.
// File versions alone decide nothing, since the two lists may come from different
// histories (an installation's and the web site's). `to`'s update list then names the
// copied files at their new versions, and its version file moves to `from`'s when that is
// newer and every copy succeeded. Each file is replaced whole or not at all.
SeedResult seed(const DataFolder &from, const DataFolder &to);

// Why files cannot be stored in `folder`, which is made when missing; empty when they can.
QString whyNotWritable(const QString &folder);
using WritableTest = std::function<QString(const QString &folder)>;

struct Prepared
{
    // Where the data is read, and updated unless `notWritable` says why it cannot be.
    DataFolder dataDir;
    QString notWritable;
    SeedResult seeded;
};

// The portable folder when it exists and can be written. Otherwise the user folder, filled
// from the portable folder when that exists (read-only), else from the installed data. When
// the user folder cannot be written, or the database could not be copied into it, the data
// is read where it is (the user folder when it holds a database, else the one it would
// have been filled from), and is not updated.
Prepared prepare(const Locations &locations, const WritableTest &whyNot = whyNotWritable);

} // namespace dataseed
