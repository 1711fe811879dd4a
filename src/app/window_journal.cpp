#include "app/window_journal.h"

#include <QCoreApplication>
#include <chrono>

#include "store/journal_recovery.h"

namespace kr5061 {

WindowJournal::WindowJournal(const CHygDoc& doc, const ViewState& view, QObject* parent)
    : QObject(parent), m_doc(doc), m_view(view) {
    connect(&m_syncTimer, &QTimer::timeout, this, &WindowJournal::sync);
    m_syncTimer.start(kSyncPeriodMs);
}

// Closing keeps the file: a run nobody decided about stays recoverable.
WindowJournal::~WindowJournal() = default;

std::int64_t WindowJournal::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WindowJournal::sampleCommitted() {
    if (m_ended) {
        return;
    }
    if (m_path.empty() || m_pathStart != m_view.m_startTime) {
        // A new run: the previous one's journal stays unless the user let it go.
        if (m_dropOnNextRun) {
            discardJournal();
        } else {
            m_journal.close();
        }
        m_dropOnNextRun = false;
        std::filesystem::path dir;
        std::string error;
        if (!makeStateDirectory(dir, &error)) {
            report(tr("The run journal cannot be kept: %1; recording goes on without it.")
                       .arg(QString::fromStdString(error)));
            return;
        }
        m_path = windowJournalPath(dir, m_view.m_startTime, QCoreApplication::applicationPid(),
                                   ++m_runNumber);
        m_pathStart = m_view.m_startTime;
    }
    if (m_journal.follow(m_path, m_doc, m_view, nowMs())) {
        m_failing = false;
    } else {
        reportWriteError();
    }
}

void WindowJournal::sync() {
    if (m_journal.isOpen() && !m_journal.syncIfDue(nowMs())) {
        reportWriteError();
    }
}

void WindowJournal::discardJournal() {
    if (!m_ended && m_journal.isOpen() && !m_journal.discard()) {
        m_failing = false;
        report(tr("The run journal could not be deleted: %1")
                   .arg(QString::fromStdString(m_journal.error())));
    }
}

void WindowJournal::runSaved() {
    discardJournal();
}

void WindowJournal::runDropped() {
    discardJournal();
}

void WindowJournal::closingWithoutPrompt() {
    // Only the current run goes: a journal of an earlier run (a new one has
    // begun but committed nothing yet) stays unless the user let it go.
    if (m_pathStart == m_view.m_startTime || m_dropOnNextRun) {
        discardJournal();
    }
    keep();
}

void WindowJournal::keep() {
    m_ended = true;
    m_syncTimer.stop();
    m_journal.close();
}

void WindowJournal::reportWriteError() {
    report(tr("The run journal could not be written (%1); recording goes on.")
               .arg(QString::fromStdString(m_journal.error())));
}

// One message per failure spell, not one per sample.
void WindowJournal::report(const QString& text) {
    if (m_failing) {
        return;
    }
    m_failing = true;
    emit problem(text);
}

}  // namespace kr5061
