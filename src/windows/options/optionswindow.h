#pragma once

#include "appcontext.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <utility>

class QCheckBox;
class QGroupBox;
class QPushButton;

// The Options window ("frmOptions"): the five option switches as check boxes. Nothing is
// stored until "Save Settings". Modeless: the main window stays usable meanwhile. At
// most one exists; it is deleted when closed.
class OptionsWindow : public QWidget
{
    Q_OBJECT
public:
    // Shows the window, loading it when none exists; an open one is only brought forward,
    // keeping its unsaved boxes.
    static OptionsWindow *showWindow(const AppContext &context);
    static OptionsWindow *instance() { return s_instance; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // Esc cancels.
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit OptionsWindow(const AppContext &context);

    void Form_Load();
    void done_Click();
    void cancel_Click();
    std::array<std::pair<QCheckBox *, QString>, 5> switchBoxes() const;

    static inline QPointer<OptionsWindow> s_instance;

    AppContext m_context;

    QGroupBox *Frame1 = nullptr;
    QCheckBox *progupdates = nullptr;
    QCheckBox *dbupdates = nullptr;
    QCheckBox *saveposition = nullptr;
    QGroupBox *Frame2 = nullptr;
    QCheckBox *searcha = nullptr;
    QCheckBox *unavailable = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *done = nullptr;
};
