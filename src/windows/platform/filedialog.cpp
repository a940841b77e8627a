#include "filedialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

namespace platform {
namespace {

struct TestState
{
    bool enabled = false;
    QStringList paths;
    QStringList asked;
};

TestState &testState()
{
    static TestState state;
    return state;
}

} // namespace

void chooseFile(QWidget *parent, FileMode mode, const QString &title, const QString &filter,
                const QString &suggested, std::function<void(const QString &)> chosen)
{
    const QPointer<QWidget> from = parent;
    const auto reply = [from, hadParent = parent != nullptr, chosen](const QString &path) {
        if (!path.isEmpty() && (from || !hadParent) && chosen)
            chosen(path);
    };
    TestState &test = testState();
    if (test.enabled) {
        test.asked.append(title);
        const QString path = test.paths.isEmpty() ? QString() : test.paths.takeFirst();
        QTimer::singleShot(0, [reply, path] { reply(path); });
        return;
    }

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    auto *dialog = new QFileDialog(parent, title, folder, filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (mode == FileMode::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(QDir(folder).filePath(suggested));
        // A name typed without an ending gets the one the filter asks for.
        dialog->setDefaultSuffix(QFileInfo(suggested).suffix());
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, reply);
    dialog->open();
}

namespace filetesting {

void enable()
{
    testState().enabled = true;
}

void queuePath(const QString &path)
{
    testState().paths.append(path);
}

QStringList takeAsked()
{
    return std::exchange(testState().asked, {});
}

} // namespace filetesting

} // namespace platform
