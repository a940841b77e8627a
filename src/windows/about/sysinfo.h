#pragma once

#include "registry.h"

#include <QString>

class QWidget;

// Starting the system's information tool, found through the registry where there is one
// and on the PATH otherwise.
namespace sysinfo {

// Reads a string or DWORD value of a registry key into `value`. False, with `value`
// empty, when the key or value cannot be read; a value of another type leaves `value`
// as it was and still counts as read.
bool GetKeyValue(platform::registry::HKEY root, const QString &keyName, const QString &valueName,
                 QString &value);

// Where the system information tool is, or empty when there is none.
QString toolPath();

// Starts the tool; when there is none, or it does not start, says so.
void StartSysInfo(QWidget *parent);

} // namespace sysinfo
