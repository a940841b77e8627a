#include "messagebox.h"

#include "linebreaks.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace platform {
namespace {

struct TestState
{
    bool enabled = false;
    QList<Answer> answers;
    QList<messagetesting::Shown> shown;
};

TestState &testState()
{
    static TestState state;
    return state;
}

struct Choice
{
    QMessageBox::StandardButton button;
    Answer answer;
};

QList<Choice> choicesFor(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return {{QMessageBox::Ok, Answer::Ok}};
    case Buttons::OkCancel:
        return {{QMessageBox::Ok, Answer::Ok}, {QMessageBox::Cancel, Answer::Cancel}};
    case Buttons::YesNo:
        return {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}};
    case Buttons::YesNoToAll:
        return {{QMessageBox::Yes, Answer::Yes},
                {QMessageBox::YesToAll, Answer::YesToAll},
                {QMessageBox::No, Answer::No},
                {QMessageBox::NoToAll, Answer::NoToAll}};
    }
    return {};
}

// A prompt as shown: a line longer than this (a name in a hostile update list, say) is cut,
// so that the box always fits the screen.
QString shownPrompt(const QString &prompt)
{
    constexpr qsizetype kLongestLine = 300;
    QStringList lines = linebreaks::toLf(prompt).split(u'\n');
    for (QString &line : lines) {
        if (line.size() > kLongestLine)
            line = line.first(kLongestLine) + QChar(0x2026);
    }
    return lines.join(u'\n');
}

} // namespace

void showMessage(QWidget *parent, const QString &title, const QString &prompt, Buttons buttons,
                 std::function<void(Answer)> answered)
{
    const QList<Choice> choices = choicesFor(buttons);
    const QPointer<QWidget> from = parent;
    const auto reply = [from, hadParent = parent != nullptr, answered](Answer answer) {
        if (hadParent && !from)
            return;
        if (from) {
            from->window()->raise();
            from->window()->activateWindow();
        }
        if (answered)
            answered(answer);
    };

    TestState &test = testState();
    if (test.enabled) {
        test.shown.append({title, prompt, buttons});
        const Answer answer =
            test.answers.isEmpty() ? choices.first().answer : test.answers.takeFirst();
        QTimer::singleShot(0, qApp, [reply, answer] { reply(answer); });
        return;
    }

    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(title);
    box->setText(shownPrompt(prompt));
    box->setIcon(QMessageBox::NoIcon);
    for (const Choice &choice : choices)
        box->addButton(choice.button);
    box->setDefaultButton(choices.first().button);
    box->setEscapeButton(choices.last().button);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);

    QObject::connect(box, &QMessageBox::finished, box, [box, choices, reply] {
        Answer answer = choices.last().answer;
        for (const Choice &choice : choices) {
            if (box->clickedButton() == box->button(choice.button))
                answer = choice.answer;
        }
        reply(answer);
    });
    box->show();
}

namespace messagetesting {

void enable()
{
    testState().enabled = true;
}

void queueAnswer(Answer answer)
{
    testState().answers.append(answer);
}

const QList<Shown> &shown()
{
    return testState().shown;
}

QList<Shown> takeShown()
{
    return std::exchange(testState().shown, {});
}

} // namespace messagetesting

} // namespace platform
