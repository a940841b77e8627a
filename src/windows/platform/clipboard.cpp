#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

void copyText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace platform
