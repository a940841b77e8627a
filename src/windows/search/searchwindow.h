#pragma once

#include "monstertable.h"
#include "searchcriteria.h"
#include "searchindex.h"

#include <QWidget>
#include <atomic>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class SearchResultsModel;
class SettingsStore;

// The search window ("frmSearch"): criteria on any field of the records, and the records
// that meet them all, sortable by any column. Choosing a result shows that record in the
// main window. Searches run off the window's thread, so typing never waits for one.
class SearchWindow : public QWidget
{
    Q_OBJECT
public:
    SearchWindow(SettingsStore &store, std::shared_ptr<const MonsterTable> table,
                 QWidget *parent = nullptr);
    ~SearchWindow() override;

    // Reads the search switches again ("search": results follow every change;
    // "unavailable": unavailable values meet a criterion).
    void reloadSettings();
    // A note changed in the main window (its key, as notesfile::key() makes it); searches in
    // notes see it from now on.
    void setNote(const QString &key, const QString &text);
    // Searches for `text` in one field of the records alone (an area, a treasure): every other
    // criterion is cleared.
    void findIn(MonsterRecord::Field field, const QString &text);
    // Places the window, about to open, beside the main window (its parent) and clear of
    // `record`, the part of the main window on the screen that shows the chosen results.
    void openBeside(QRect record);

signals:
    // The user chose a result: the record at this row of the table.
    void rowChosen(qsizetype row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void savePosition();
    void indexReady(std::shared_ptr<const SearchIndex> index);
    void criteriaChanged();
    void search_Click();
    SearchCriteria criteria() const;
    void showResults(std::vector<qsizetype> rows, quint64 generation);
    void chooseResult(int resultRow);
    // Down was pressed in the words: the keyboard goes to the first result.
    void enterResults();
    void saveResults(const QString &path);
    // Says something of the results after their count until the next search.
    void tellAfterCount(const QString &text);

    SettingsStore &m_store;
    std::shared_ptr<const SearchIndex> m_index;
    NotesSnapshot m_notes;
    bool m_live = true;
    bool m_includeUnavailable = true;
    bool m_searchWaiting = false;
    quint64 m_generation = 0;
    quint64 m_shownGeneration = 0;
    bool m_enterResults = false;
    // Criteria are being set together: one search when all are.
    bool m_settingCriteria = false;
    std::shared_ptr<std::atomic_bool> m_cancel;

    QLineEdit *searchtext = nullptr;
    QCheckBox *fields[kTextFieldCount] = {};
    QLineEdit *from[kRangeFieldCount] = {};
    QLineEdit *to[kRangeFieldCount] = {};
    QComboBox *hostile = nullptr;
    QComboBox *undead = nullptr;
    QComboBox *sizebox = nullptr;
    QComboBox *hasnote = nullptr;
    QComboBox *sortby = nullptr;
    QPushButton *search = nullptr;
    QPushButton *closeButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *copyButton = nullptr;
    QLabel *count = nullptr;
    QTableView *results = nullptr;
    SearchResultsModel *m_model = nullptr;
    QTimer *m_savePosition = nullptr;
};
