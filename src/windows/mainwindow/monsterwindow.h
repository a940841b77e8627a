#pragma once

#include "appcontext.h"
#include "monstertable.h"
#include "notes.h"

#include <QMainWindow>
#include <QPointer>

class HttpFetcher;
class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace platform {
class ClickLabel;
}

// The main window ("monster"): the monster list, the selected monster's record and
// picture, the notes box, the copy triggers and the menus. At most one exists; it is
// deleted when closed.
class MonsterWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Shows the main window, loading it first when none exists.
    static MonsterWindow *showWindow(const AppContext &context);
    static MonsterWindow *instance() { return s_instance; }

    ~MonsterWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    explicit MonsterWindow(const AppContext &context);

    void buildLayout();
    void buildMenus();
    void connectCopyTriggers();

    void Form_Load();
    void Form_Unload();
    void Form_GotFocus();
    void Timer1_Timer();
    void monstername_Click();
    void notes_Change();
    void mnuOptions_Click();
    void mnuReport_Click();
    void about_Click();
    void mnuUpdate_Click();
    void mnuExit_Click();

    void ShowSelectedMonster();
    void LoadNote();
    void SavePosition();
    void ApplyMinimumSize();
    void CopyValue(const QLabel *valueLabel);

    // Copy triggers: each puts its row's value on the clipboard.
    void namea_DblClick();
    void namelabel_DblClick();
    void hp_Click();
    void hplabel_DblClick();
    void level_DblClick();
    void levellabel_DblClick();
    void experience_DblClick();
    void explabel_DblClick();
    void jobexp_DblClick();
    void lbljobexp_DblClick();
    void size_DblClick();
    void lblsize_DblClick();
    void defense_DblClick();
    void lbldef_DblClick();
    void mdefense_DblClick();
    void lblmdef_DblClick();
    void attack_DblClick();
    void attacklabel_DblClick();
    void undead_DblClick();
    void undeadlabel_DblClick();
    void treasure_DblClick();
    void treasurelabel_DblClick();
    void area_DblClick();
    void arealabel_DblClick();
    void description_DblClick();
    void descriptionlabel_DblClick();

    static inline QPointer<MonsterWindow> s_instance;

    AppContext m_context;
    MonsterTable m_table;
    MonsterNotes m_notes;
    bool m_loadingNote = false;
    bool m_checking = false;
    bool m_closeAfterCheck = false;

    QLabel *monlabel = nullptr;
    QListWidget *monstername = nullptr;
    QLabel *noteslbl = nullptr;
    QPlainTextEdit *notes = nullptr;
    QGroupBox *monsterframe = nullptr;
    QLabel *hint1 = nullptr;

    platform::ClickLabel *namelabel = nullptr;
    platform::ClickLabel *namea = nullptr;
    platform::ClickLabel *hplabel = nullptr;
    platform::ClickLabel *hp = nullptr;
    platform::ClickLabel *levellabel = nullptr;
    platform::ClickLabel *level = nullptr;
    platform::ClickLabel *lblsize = nullptr;
    // Object name "size"; a member of that name would hide QWidget::size().
    platform::ClickLabel *size_ = nullptr;
    platform::ClickLabel *explabel = nullptr;
    platform::ClickLabel *experience = nullptr;
    platform::ClickLabel *lbljobexp = nullptr;
    platform::ClickLabel *jobexp = nullptr;
    platform::ClickLabel *lbldef = nullptr;
    platform::ClickLabel *defense = nullptr;
    platform::ClickLabel *lblmdef = nullptr;
    platform::ClickLabel *mdefense = nullptr;
    platform::ClickLabel *attacklabel = nullptr;
    platform::ClickLabel *attack = nullptr;
    platform::ClickLabel *undeadlabel = nullptr;
    platform::ClickLabel *undead = nullptr;
    platform::ClickLabel *treasurelabel = nullptr;
    platform::ClickLabel *treasure = nullptr;
    platform::ClickLabel *arealabel = nullptr;
    platform::ClickLabel *area = nullptr;
    platform::ClickLabel *descriptionlabel = nullptr;
    platform::ClickLabel *description = nullptr;
    QLabel *display = nullptr;

    QTimer *Timer1 = nullptr;
    HttpFetcher *Inet1 = nullptr;

    QMenu *mnuControls = nullptr;
    QAction *mnuSearch = nullptr;
    QAction *mnuOptions = nullptr;
    QAction *mnuUpdate = nullptr;
    QAction *mnuReport = nullptr;
    QAction *about = nullptr;
    QAction *mnuExit = nullptr;
};
