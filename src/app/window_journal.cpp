#include "app/window_journal.h"

#include <QCoreApplication>
#include <QWidget>
#include <utility>

#include "app/message_boxes.h"
#include "store/journal_recovery.h"

namespace kr5061 {

WindowJournal::WindowJournal(const CHygDoc& doc, const ViewState& view, QWidget* window)
    : QObject(window), m_doc(doc), m_view(view), m_journal(newJournal()) {}

// Closing keeps the file: a run nobody decided about stays recoverable.
WindowJournal::~WindowJournal() = default;

std::unique_ptr<RunJournal> WindowJournal::newJournal() {
    auto journal = std::make_unique<RunJournal>();
    // The writer's thread reports here, through the event loop.
    journal->setProblemHandler([this, j = journal.get()] {
        QMetaObject::invokeMethod(
            this,
            [this, j] {
                if (j == m_journal.get()) {
                    reportWriteError();
                }
            },
            Qt::QueuedConnection);
    });
    return journal;
}

void WindowJournal::sampleCommitted() {
    if (m_ended) {
        return;
    }
    closeRetiredIfIdle();
    if (m_runStart != m_view.m_startTime) {
        // A new run: its problems are news again.
        m_runStart = m_view.m_startTime;
        m_failing = false;
        m_boxShown = false;
    }
    if (m_path.empty() || m_pathStart != m_view.m_startTime) {
        startRun();
        if (m_path.empty()) {
            return;
        }
    }
    if (m_journal->follow(m_path, m_doc, m_view)) {
        m_failing = false;
    } else {
        reportWriteError();
    }
}

// A new run: the previous one's journal stays unless the user let it go.
void WindowJournal::startRun() {
    if (m_journal->isOpen()) {
        retire(m_dropOnNextRun);
    }
    m_dropOnNextRun = false;
    std::filesystem::path dir;
    std::string error;
    if (!makeStateDirectory(dir, &error)) {
        m_path.clear();
        report(QString::fromStdString(error), true);
        return;
    }
    m_path = windowJournalPath(dir, m_view.m_startTime, QCoreApplication::applicationPid(),
                               ++m_runNumber);
    m_pathStart = m_view.m_startTime;
}

// Its thread may still be syncing: it is closed later, so a new run never
// waits for the disk.
void WindowJournal::retire(bool drop) {
    endRetired();
    m_retired = std::exchange(m_journal, newJournal());
    m_dropRetired = drop;
}

void WindowJournal::closeRetiredIfIdle() {
    if (m_retired && (m_retired->failed() || m_retired->durableCount() >= m_retired->count())) {
        endRetired();
    }
}

void WindowJournal::endRetired() {
    if (!m_retired) {
        return;
    }
    if (m_dropRetired) {
        m_retired->discard();
    } else {
        m_retired->close();
    }
    m_retired.reset();
}

void WindowJournal::discardJournal() {
    if (!m_ended && m_journal->isOpen() && !m_journal->discard()) {
        m_failing = false;
        report(tr("The run journal could not be deleted: %1")
                   .arg(QString::fromStdString(m_journal->error())),
               false);
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
    endRetired();
    m_ended = true;
    m_journal->close();
}

void WindowJournal::reportWriteError() {
    report(QString::fromStdString(m_journal->error()), true);
}

// One status message per failure spell, and one message box per run: the
// user learns at once that a crash would now cost the run.
void WindowJournal::report(const QString& error, bool unprotected) {
    if (m_failing) {
        return;
    }
    m_failing = true;
    if (!unprotected) {
        emit problem(error);
        return;
    }
    const QString text = tr("This run is not protected against a crash: %1").arg(error);
    emit problem(text);
    if (!m_boxShown) {
        m_boxShown = true;
        showWarningLater(qobject_cast<QWidget*>(parent()), text);  // the run goes on meanwhile
    }
}

}  // namespace kr5061
