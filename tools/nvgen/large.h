#pragma once

#include <QString>

// A database of `countText` generated records, for the benchmarks.
int runLarge(const QString &countText, const QString &outPath);
