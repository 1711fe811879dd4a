#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/run_journal.h"

class QWidget;

namespace kr5061 {

class CMainFrame;

// At start-up, before the main window shows: each journal a run left behind
// (no live process holds it) means a run that was never saved. The user is
// told and chooses: Save it (the Save dialog, suggesting the run's start as
// the name), open it in the logger as a data set, or discard it. Closing the
// question keeps the journal for the next start. A journal is locked while it
// is asked about and while it is shown in the logger, so another window on
// the same state directory neither offers nor deletes it meanwhile; one that
// holds no record is removed without a question.
class RunRecovery {
public:
    enum class Choice { kKeep, kSave, kOpenInLogger, kDiscard };

    RunRecovery(CMainFrame& frame, CHygDoc& doc, ViewState& view);
    ~RunRecovery();

    // One question per journal left in the state directory.
    void offerLeftJournals();
    // Once the main window shows: the logger window with the runs chosen for
    // it, each adopted as a data set the way a downloaded file is.
    void openChosenInLogger();
    // The program is ending: no further question.
    void stop() { m_stopped = true; }

    // The question itself; kKeep when it was closed without a choice.
    static Choice ask(QWidget* parent, const QString& text);

private:
    void offer(JournalLock lock);
    void save(JournalLock& lock, const RecoveredRun& run);
    void remove(JournalLock& lock);

    CMainFrame& m_frame;
    CHygDoc& m_doc;
    ViewState& m_view;
    std::vector<std::unique_ptr<RecoveredRun>> m_forLogger;
    std::vector<JournalLock> m_shown;  // journals of the runs the logger shows
    bool m_stopped = false;
};

}  // namespace kr5061
