#include "messagebox.h"

#include "appinfo.h"
#include "linebreaks.h"

#include <QApplication>
#include <QMessageBox>
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

Answer defaultAnswer(Buttons buttons)
{
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

} // namespace

Answer showMessage(QWidget *parent, const QString &title, const QString &prompt, Buttons buttons)
{
    TestState &test = testState();
    if (test.enabled) {
        test.shown.append({title, prompt, buttons});
        return test.answers.isEmpty() ? defaultAnswer(buttons) : test.answers.takeFirst();
    }

    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(linebreaks::toLf(prompt));
    box.setIcon(QMessageBox::NoIcon);
    struct Choice
    {
        QMessageBox::StandardButton button;
        Answer answer;
    };
    QList<Choice> choices;
    switch (buttons) {
    case Buttons::Ok:
        choices = {{QMessageBox::Ok, Answer::Ok}};
        break;
    case Buttons::OkCancel:
        choices = {{QMessageBox::Ok, Answer::Ok}, {QMessageBox::Cancel, Answer::Cancel}};
        break;
    case Buttons::YesNo:
        choices = {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}};
        break;
    }
    for (const Choice &choice : choices)
        box.addButton(choice.button);
    box.setDefaultButton(choices.first().button);
    box.setEscapeButton(choices.last().button);
    box.exec();
    for (const Choice &choice : choices) {
        if (box.clickedButton() == box.button(choice.button))
            return choice.answer;
    }
    return choices.last().answer;
}

void showStoreFailure(const QString &reason)
{
    const QString prompt =
        QStringLiteral("Your notes and settings cannot be saved.\r\n\r\n") + reason;
    QTimer::singleShot(0, qApp, [prompt] {
        showMessage(QApplication::activeWindow(), appinfo::title(), prompt, Buttons::Ok);
    });
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
