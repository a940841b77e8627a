#include "programfolder.h"

#include <QCoreApplication>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString dataDir()
{
    return programFolder() + QStringLiteral("/data/");
}

} // namespace platform
