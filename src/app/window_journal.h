#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <filesystem>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/run_journal.h"

namespace kr5061 {

// Keeps the window's current run in a journal in the state directory from its
// first committed sample on, so a crash or a kill loses at most the last
// second. The journal goes away only when the run was saved or the user chose
// not to keep it; ending any other way leaves it for the next start.
class WindowJournal : public QObject {
    Q_OBJECT
public:
    static constexpr int kSyncPeriodMs = 1000;

    WindowJournal(const CHygDoc& doc, const ViewState& view, QObject* parent = nullptr);
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
    // The user declined to save the current run before a new one: when the
    // next run starts, the journal of this one is deleted instead of kept.
    void dropWhenSuperseded() { m_dropOnNextRun = true; }
    // The program ends without a decision about the run: flush and keep the
    // journal; nothing is journalled or deleted afterwards.
    void keep();

    const RunJournal& journal() const { return m_journal; }

signals:
    // The journal could not be written or deleted; the run goes on.
    void problem(const QString& text);

private:
    void sync();
    void discardJournal();
    void reportWriteError();
    void report(const QString& text);
    std::int64_t nowMs() const;

    const CHygDoc& m_doc;
    const ViewState& m_view;
    RunJournal m_journal;
    QTimer m_syncTimer;
    std::filesystem::path m_path;  // journal of the run that started at m_pathStart
    std::int64_t m_pathStart = 0;
    int m_runNumber = 0;
    bool m_dropOnNextRun = false;
    bool m_failing = false;  // the last write failed: report only the first failure
    bool m_ended = false;
};

}  // namespace kr5061
