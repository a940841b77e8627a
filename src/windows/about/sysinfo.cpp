#include "sysinfo.h"

#include "appinfo.h"
#include "launch.h"
#include "messagebox.h"
#include "windows1252.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace sysinfo {

using namespace platform::registry;

bool GetKeyValue(HKEY root, const QString &keyName, const QString &valueName, QString &value)
{
    constexpr DWORD kBufferSize = 1024;
    constexpr DWORD kAllAccess = 0x2003F;
    HKEY key = 0;
    if (RegOpenKeyExA(root, keyName.toLatin1().constData(), 0, kAllAccess, &key) != ERROR_SUCCESS) {
        value.clear();
        return false;
    }
    unsigned char buffer[kBufferSize] = {};
    DWORD size = kBufferSize;
    DWORD type = 0;
    bool read = RegQueryValueExA(key, valueName.toLatin1().constData(), nullptr, &type, buffer,
                                 &size) == ERROR_SUCCESS;
    if (!read) {
        value.clear();
    } else {
        QByteArray bytes(reinterpret_cast<const char *>(buffer), qsizetype(size));
        // A string value usually carries its terminator.
        if (bytes.endsWith('\0'))
            bytes.chop(1);
        if (type == REG_SZ) {
            value = windows1252::decode(bytes);
        } else if (type == REG_DWORD) {
            quint64 number = 0;
            for (qsizetype i = bytes.size() - 1; i >= 0; --i)
                number = number << 8 | quint8(bytes[i]);
            value = QString::number(number);
        }
    }
    RegCloseKey(key);
    return read;
}

QString toolPath()
{
    QString path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path))
        return path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), path)) {
        const QString tool = path + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo(tool).isFile())
            return tool;
    }
    // Without a registry, the system information tools a Linux desktop may have.
    for (const char *name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
        path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

void StartSysInfo(QWidget *parent)
{
    const QString path = toolPath();
    if (path.isEmpty() || !platform::launch(path))
        platform::showMessage(parent, appinfo::title(),
                              QStringLiteral("System Information Is Unavailable At This Time"),
                              platform::Buttons::Ok);
}

} // namespace sysinfo
