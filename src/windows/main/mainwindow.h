#pragma once

#include "datafolder.h"
#include "monstertable.h"
#include "notes.h"
#include "recordview.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <vector>

class MonsterListModel;
class QAction;
class QGroupBox;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QTimer;
class SettingsStore;

namespace platform {
class ClickLabel;
}

// The main window ("monster"): the monster list, the selected monster's record and
// picture, the notes box, the copy triggers and the menus. It keeps the view of the
// record it shows; the menus' commands are reported for the program to carry out.
//
// Its parts: a scroll area (for screens too small for the window) holds the inner area,
// whose PlacedLayout puts the list and the notes on the left and the record's frame on the
// right; the frame's own PlacedLayout puts the caption and value of each field (kFieldRows)
// and the picture. New controls take a place in one of the two layouts, with the shares
// they follow up to the window's default size and past it.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(SettingsStore &store, const DataFolder &folder,
                  std::shared_ptr<const MonsterTable> table, QWidget *parent = nullptr);
    ~MainWindow() override;

    // While a manual update check runs, its command cancels it.
    void setCheckRunning(bool running);

    // Why the last update check could not tell whether there are updates; shown in place of
    // the hint until it is empty again.
    void setCheckProblem(const QString &problem);

    // Why notes and settings cannot be saved now, shown in place of the hint until it is
    // empty again; it never takes the keyboard from the notes box.
    void setStoreProblem(const QString &problem);

    // Selects a record's row, scrolled into view, as if the user had picked it.
    void showRow(qsizetype row);

    // The whole record shown, a "Caption: value" line each, joined by CR LF.
    QString recordText() const;

    // Where the record's frame is on the screen, which another window should not hide.
    QRect recordArea() const;

signals:
    void searchRequested();
    void optionsRequested();
    void updateCheckRequested();
    void feedbackRequested();
    void aboutRequested();
    // The user changed the note of the monster named `name`.
    void noteEdited(const QString &name, const QString &text);
    // The window is closing for good (its close was not refused).
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void buildLayout();
    // The inner area at the window's default size.
    QSize usualInnerSize() const;
    void buildMenus();
    // Position, size and maximised state as stored.
    void restorePlace();
    void restoreLastMonster();

    void Form_Unload();
    void Form_GotFocus();
    void Timer1_Timer();
    void monstername_Click();
    void notes_Change();

    void ShowSelectedMonster();
    // Which entry of its list text a row is: 0 for the first.
    qsizetype occurrenceOf(int row);
    void LoadNote();
    void SavePosition();
    // The copy trigger of every value and caption: the value as shown goes to the clipboard.
    void CopyValue(MonsterRecord::Field field);
    void CopyRecord();
    void showCopied(const QString &what);
    void showHintLine();
    void openContextMenu(MonsterRecord::Field field, QPoint at);

    SettingsStore &m_store;
    DataFolder m_folder;
    std::shared_ptr<const MonsterTable> m_table;
    MonsterListModel *m_model = nullptr;
    std::vector<qsizetype> m_occurrences;
    MonsterNotes m_notes;
    RecordView m_view;
    bool m_loadingNote = false;
    // The box shows the stored note of the monster shown (it could be read).
    bool m_noteShown = true;
    QString m_storeProblem;

    QLabel *monlabel = nullptr;
    QListView *monstername = nullptr;
    QLabel *noteslbl = nullptr;
    QPlainTextEdit *notes = nullptr;
    QGroupBox *monsterframe = nullptr;
    QLabel *hint1 = nullptr;
    QLabel *storeproblem = nullptr;
    QLabel *checkproblem = nullptr;
    QLabel *copystatus = nullptr;
    // The value labels ("namea", "hp", ...) and their captions, by field.
    std::array<platform::ClickLabel *, MonsterRecord::FieldCount> m_values{};
    std::array<platform::ClickLabel *, MonsterRecord::FieldCount> m_captions{};
    QScrollArea *descriptionscroll = nullptr;
    QLabel *display = nullptr;

    QTimer *Timer1 = nullptr;
    QTimer *m_copyShown = nullptr;

    QMenu *mnuControls = nullptr;
    QAction *mnuSearch = nullptr;
    QAction *mnuOptions = nullptr;
    QAction *mnuUpdate = nullptr;
    QAction *mnuReport = nullptr;
    QAction *about = nullptr;
    QAction *mnuExit = nullptr;
    QAction *copyRecord = nullptr;
};
