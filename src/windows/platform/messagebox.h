#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class Answer { Ok, Cancel, Yes, No, YesToAll, NoToAll };
// YesNoToAll asks one of a series: Yes, Yes to All, No, No to All.
enum class Buttons { Ok, OkCancel, YesNo, YesNoToAll };

// A message without icon whose first button is the default, modal to `parent`'s window
// (to the whole program without one), centred over it. It returns at once; `answered`
// runs when the user has closed the message, unless `parent` is gone by then. The window
// it came from gets the keyboard back. Line breaks in the prompt may be CR LF.
void showMessage(QWidget *parent, const QString &title, const QString &prompt, Buttons buttons,
                 std::function<void(Answer)> answered = {});

// Lets tests answer messages without a human: while enabled, showMessage() shows
// nothing, records the message and answers it from the event loop with the next queued
// answer, or the default (first) button when none is queued.
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
