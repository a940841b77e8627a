#pragma once

#include "datafolder.h"
#include "history.h"
#include "linkparts.h"
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
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QTimer;
class SettingsStore;

namespace platform {
class ClickLabel;
class PlacedLayout;
}

struct NotesImport;

// The main window ("monster"): the monster list with its filter, the selected monster's
// record and picture, the notes box, the copy triggers and the menus. It keeps the view of
// the record it shows and the monsters shown before it (Back and Forward); the menus'
// commands are reported for the program to carry out.
//
// Its parts: a scroll area (for screens too small for the window) holds the inner area,
// whose PlacedLayout puts the filter, the list and the notes on the left and the record's
// frame on the right; the frame's own PlacedLayout puts the caption and value of each field
// (kFieldRows) and the picture. New controls take a place in one of the two layouts, with
// the shares they follow up to the window's default size and past it. A larger text size
// scales both layouts with the text.
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

    // Shows a record's row, selected and scrolled into view where the filter lists it, as
    // if the user had picked it.
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
    // The user followed a part of an "Areas Found" or "Treasure" value: the monsters that
    // share it are wanted.
    void linkFollowed(MonsterRecord::Field field, const QString &text);
    // The note kept under `key` (notesfile::key()) changed, typed or imported.
    void noteEdited(const QString &key, const QString &text);
    // The window is closing for good (its close was not refused).
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    // Fills the record, the picture and the notes box with a table row's record.
    void showRecord(qsizetype row);
    void setValue(MonsterRecord::Field field, const QString &text);
    // Selects the monster shown in the list, or nothing where the filter hides it.
    void selectShown(bool centre);
    void LoadNote();
    void SavePosition();
    // The copy trigger of every value and caption: the value as shown goes to the clipboard.
    void CopyValue(MonsterRecord::Field field);
    void CopyRecord();
    void showStatus(const QString &text);
    void showHintLine();
    void openContextMenu(MonsterRecord::Field field, QPoint at);

    void filterChanged();
    // From the filter box into the list, the shown monster or else the first one selected.
    void enterList();
    void setOrder(bool aToZ);
    // Shows a row Back or Forward went to (-1: nowhere), without a new stop.
    void showFromHistory(qsizetype row);
    void updateHistoryActions();
    void followLink(MonsterRecord::Field field, const QString &link);
    // Text size one of kTextSizes larger (1) or smaller (-1), or the usual (0).
    void stepTextSize(int step);
    void applyTextSize();
    // The smallest outer size at the text size, no more than the screen has room for.
    QSize leastSize() const;

    void exportNotes(const QString &path);
    void importNotes(const QString &path);
    // Asks about each imported note that differs from the one kept, then says what was done.
    void askNextDiffering(std::shared_ptr<NotesImport> import);
    void saveImported(const QString &key, const QString &text);

    SettingsStore &m_store;
    DataFolder m_folder;
    std::shared_ptr<const MonsterTable> m_table;
    MonsterListModel *m_model = nullptr;
    MonsterNotes m_notes;
    RecordView m_view;
    // The table row shown, -1 before the first; the key of its note.
    qsizetype m_shownRow = -1;
    QString m_noteKey;
    History m_history;
    // The followable parts of each value that has them, as the value shows.
    std::array<std::vector<LinkPart>, MonsterRecord::FieldCount> m_links;
    bool m_loadingNote = false;
    // The list's selection is being made to match the record shown.
    bool m_selecting = false;
    // The box shows the stored note of the monster shown (it could be read).
    bool m_noteShown = true;
    QString m_storeProblem;
    int m_textSize = 100;

    platform::PlacedLayout *m_layout = nullptr;
    platform::PlacedLayout *m_recordLayout = nullptr;
    QWidget *m_inner = nullptr;

    QLabel *monlabel = nullptr;
    QLineEdit *monsterfilter = nullptr;
    QLabel *filtercount = nullptr;
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
    QAction *mnuExportNotes = nullptr;
    QAction *mnuImportNotes = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuFileOrder = nullptr;
    QAction *mnuAToZ = nullptr;
    QAction *mnuBack = nullptr;
    QAction *mnuForward = nullptr;
    QAction *mnuLarger = nullptr;
    QAction *mnuSmaller = nullptr;
    QAction *mnuNormalSize = nullptr;
    QAction *about = nullptr;
    QAction *mnuExit = nullptr;
    QAction *copyRecord = nullptr;
    QAction *findMonster = nullptr;
};
