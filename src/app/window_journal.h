#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/run_journal.h"

class QWidget;

namespace kr5061 {

// Keeps the window's current run in a journal in the state directory from its
// first committed sample on, so a crash or a kill loses at most the last
// second. The journal goes away only when the run was saved or the user chose
// not to keep it; ending any other way leaves it for the next start. The disk
// is written on the journal's own thread: nothing here waits for it while a
// run records.
class WindowJournal : public QObject {
    Q_OBJECT
public:
    // `window` (the main window) owns the journal and parents its message box.
    WindowJournal(const CHygDoc& doc, const ViewState& view, QWidget* window);
    ~WindowJournal() override;

    // A sample was committed: journal it (a new run starts a new journal).
    void sampleCommitted();

    // The current run was saved: its journal is not needed any more. Samples
    // committed later start a new journal.
    void runSaved();
    // The user chose not to keep the current run.
    void runDropped();
    // The window closes without asking (at most one sample committed): such a
    // run is not worth a question at close, nor at the next start.
    void closingWithoutPrompt();
    // An accepted Run says whether the user declined to save the current run
    // (`drop`): if so, when the new run begins, the journal of this one is
    // deleted instead of kept.
    void dropWhenSuperseded(bool drop) { m_dropOnNextRun = drop; }
    // The program ends without a decision about the run: flush and keep the
    // journal; nothing is journalled or deleted afterwards.
    void keep();

    const RunJournal& journal() const { return *m_journal; }

signals:
    // The journal could not be written or deleted; the run goes on. The
    // first problem of a run also shows a message box.
    void problem(const QString& text);

private:
    void startRun();
    void retire(bool drop);
    void closeRetiredIfIdle();
    void endRetired();
    void discardJournal();
    void reportWriteError();
    void report(const QString& text, bool unprotected);
    std::unique_ptr<RunJournal> newJournal();

    const CHygDoc& m_doc;
    const ViewState& m_view;
    std::unique_ptr<RunJournal> m_journal;
    // The previous run's journal, closed (or deleted) once its thread is idle.
    std::unique_ptr<RunJournal> m_retired;
    bool m_dropRetired = false;
    std::filesystem::path m_path;  // journal of the run that started at m_pathStart
    std::int64_t m_pathStart = 0;
    std::int64_t m_runStart = -1;  // the run the flags below are about
    int m_runNumber = 0;
    bool m_dropOnNextRun = false;
    bool m_failing = false;   // the last write failed: report only the first failure
    bool m_boxShown = false;  // this run's problem box was shown
    bool m_ended = false;
};

}  // namespace kr5061
