#include "app/run_recovery.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "app/main_frame.h"
#include "logger/logger_wnd.h"
#include "panels/ui_common.h"
#include "store/journal_recovery.h"

namespace kr5061 {

namespace {

// Three choices and no "Cancel": a message box would then refuse to close.
// Here closing and Escape are the fourth answer: decide later.
class RecoveryQuestion : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
};

QString pathText(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

}  // namespace

RunRecovery::RunRecovery(CMainFrame& frame, CHygDoc& doc, ViewState& view)
    : m_frame(frame), m_doc(doc), m_view(view) {}

RunRecovery::~RunRecovery() = default;

RunRecovery::Choice RunRecovery::ask(QWidget* parent, const QString& text) {
    RecoveryQuestion box(parent);
    box.setWindowTitle(kAppTitle);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton* open =
        box.addButton(QStringLiteral("Open in the logger"), QMessageBox::ActionRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(save);
    box.exec();
    QAbstractButton* chosen = box.clickedButton();
    if (chosen == save) {
        return Choice::kSave;
    }
    if (chosen == open) {
        return Choice::kOpenInLogger;
    }
    return chosen == discard ? Choice::kDiscard : Choice::kKeep;
}

void RunRecovery::offerLeftJournals() {
    for (const std::filesystem::path& journal : journalsIn(stateDirectory())) {
        if (m_stopped) {
            return;
        }
        // Locked by a run still recording, or by another window asking about it.
        JournalLock lock;
        if (!lock.acquire(journal)) {
            continue;
        }
        if (journalFileHoldsNoRecord(journal)) {
            lock.remove(nullptr);  // nothing to offer, and nothing to keep
            continue;
        }
        offer(std::move(lock));
    }
}

void RunRecovery::offer(JournalLock lock) {
    const std::filesystem::path& journal = lock.path();
    auto run = std::make_unique<RecoveredRun>();
    const JournalResult read = readJournalRun(journal, *run);
    if (!read.ok()) {
        showMessage(nullptr, QStringLiteral("The run journal %1 cannot be read (%2). It is kept.")
                                 .arg(pathText(journal), QString::fromStdString(read.reason)));
        return;
    }
    const QString text = QString::fromStdString(recoveryPromptText(run->run, run->count));
    switch (ask(nullptr, text)) {
        case Choice::kSave:
            save(lock, *run);
            break;
        case Choice::kOpenInLogger:
            // The logger only shows the run: the journal stays, held, until it is saved.
            m_forLogger.push_back(std::move(run));
            m_shown.push_back(std::move(lock));
            break;
        case Choice::kDiscard:
            remove(lock);
            break;
        case Choice::kKeep:
            break;
    }
}

void RunRecovery::save(JournalLock& lock, const RecoveredRun& run) {
    const QString name = QString::fromStdString(recoveryFileName(run.run.start));
    // Save says in the status bar what it wrote.
    if (m_frame.saveRun(name, run.snapshot())) {
        remove(lock);
    }
}

void RunRecovery::remove(JournalLock& lock) {
    std::string error;
    if (!lock.remove(&error)) {
        showMessage(nullptr, QStringLiteral("The run journal %1 could not be deleted: %2")
                                 .arg(pathText(lock.path()), QString::fromStdString(error)));
    }
}

void RunRecovery::openChosenInLogger() {
    if (m_forLogger.empty() || m_stopped) {
        return;
    }
    m_frame.OnOpen();
    CLoggerWnd* logger = m_frame.loggerWindow();
    if (logger == nullptr) {
        return;
    }
    for (const auto& run : m_forLogger) {
        if (m_view.m_recallLoadedB) {
            logger->adoptIfLoaded();  // the previous run joins first; the recall buffer is reused
        }
        loadRecoveredRun(*run, m_doc, m_view);
    }
    m_forLogger.clear();
    logger->update();  // its paint adopts the last one, as after a Download
}

}  // namespace kr5061
