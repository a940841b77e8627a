#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace platform {

enum class Answer { Ok, Cancel, Yes, No };
enum class Buttons { Ok, OkCancel, YesNo };

// A modal message without icon whose first button is the default. Line breaks in the
// prompt may be CR LF.
Answer showMessage(QWidget *parent, const QString &title, const QString &prompt, Buttons buttons);

// Tells the user, once the current event has been handled, that notes and settings
// cannot be saved, and why.
void showStoreFailure(const QString &reason);

// Lets tests answer messages without a human: while enabled, showMessage() shows
// nothing, records the message and returns the next queued answer, or the default
// (first) button when none is queued.
namespace messagetesting {

struct Shown
{
    QString title;
    QString prompt;
    Buttons buttons;
};

void enable();
void queueAnswer(Answer answer);
// The messages recorded so far; takeShown() also forgets them.
const QList<Shown> &shown();
QList<Shown> takeShown();

} // namespace messagetesting

} // namespace platform
