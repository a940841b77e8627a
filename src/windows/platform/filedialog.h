#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace platform {

enum class FileMode { Open, Save };

// Asks for a file to read or to write, in the toolkit's dialog, modal to `parent`'s window
// and started in the user's documents folder (a file to write named `suggested` there). It
// returns at once; `chosen` runs with the path once the user has picked one, and not at all
// when the dialog is cancelled or `parent` is gone. A file to write that is there already
// is replaced only when the user says so in the dialog.
void chooseFile(QWidget *parent, FileMode mode, const QString &title, const QString &filter,
                const QString &suggested, std::function<void(const QString &)> chosen);

// Lets tests choose files without a human: while enabled, chooseFile() shows nothing,
// records its title and answers from the event loop with the next queued path, or cancels
// when none is queued.
namespace filetesting {

void enable();
void queuePath(const QString &path);
QStringList takeAsked();

} // namespace filetesting

} // namespace platform
