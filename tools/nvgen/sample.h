#pragma once

#include <QString>

// The sample data folder from monsters.txt: the database, one picture per picture file
// the records name, vers.dat and update.dat.
int runSample(const QString &sourcePath, const QString &outDir);
