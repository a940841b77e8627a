#pragma once

#include <QString>

// The splash window's two pictures: the Quillmoor logo (image1.gif) and the banner
// (image2.jpg).
int runSplash(const QString &outDir);
