#pragma once

#include <QWidget>
#include <array>
#include <utility>

class QCheckBox;
class QGroupBox;
class QPushButton;
class SettingsStore;

// The Options window ("frmOptions"): the five option switches as check boxes. Nothing is
// stored until "Save Settings". Modeless: the main window stays usable meanwhile. It is
// deleted when closed.
class OptionsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit OptionsWindow(SettingsStore &store, QWidget *parent = nullptr);

signals:
    void saved();
    void cancelled();

protected:
    // Esc cancels.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void done_Click();
    void cancel_Click();
    std::array<std::pair<QCheckBox *, QString>, 5> switchBoxes() const;

    SettingsStore &m_store;

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
