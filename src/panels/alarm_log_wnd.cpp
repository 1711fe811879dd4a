#include "panels/alarm_log_wnd.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

#include "panels/desktop_notifier.h"
#include "panels/ui_common.h"
#include "store/atomic_file.h"
#include "store/export_path.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

enum Column { kTime, kChannel, kKind, kEvent, kValue, kLimit, kColumns };

}  // namespace

int AlarmLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_log.size());
}

int AlarmLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant AlarmLogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const AlarmEvent& e = m_log.newest(static_cast<std::size_t>(index.row()));
    switch (index.column()) {
        case kTime:
            return QString::fromStdString(alarmTimeText(e.time));
        case kChannel:
            return QString::fromStdString(alarmChannelText(e));
        case kKind:
            return QString::fromStdString(alarmKindText(e));
        case kEvent:
            return QString::fromStdString(alarmEventText(e));
        case kValue:
            return QString::fromStdString(alarmValueText(e.value, e));
        case kLimit:
            return QString::fromStdString(alarmValueText(e.limit, e));
        default:
            return {};
    }
}

QVariant AlarmLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kHeaders[kColumns] = {"Time",  "Channel", "Kind",
                                                   "Event", "Value",   "Limit"};
    return section >= 0 && section < kColumns ? tr(kHeaders[section]) : QVariant();
}

void AlarmLogModel::eventAdded() {
    beginResetModel();
    endResetModel();
}

CAlarmLogWnd::CAlarmLogWnd(const AlarmLog& log, DesktopNotifier& notifier, bool notifications,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log) {
    setWindowTitle(tr("Alarm Log"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model = new AlarmLogModel(log, this);
    m_view = new QTableView(this);
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setColumnWidth(kTime, 190);
    m_notify = new QCheckBox(tr("Desktop notifications"), this);
    m_notify->setChecked(notifications);
    auto* save = new QPushButton(tr("Save as CSV..."), this);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_file = new QLabel(this);
    m_file->setWordWrap(true);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* row = new QHBoxLayout;
    row->addWidget(m_notify);
    row->addStretch(1);
    row->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(row);
    layout->addWidget(m_status);
    layout->addWidget(m_file);

    connect(save, &QPushButton::clicked, this, &CAlarmLogWnd::OnSaveCsv);
    connect(m_notify, &QCheckBox::toggled, this, &CAlarmLogWnd::notificationsToggled);
    connect(&notifier, &DesktopNotifier::becameUnavailable, this, &CAlarmLogWnd::showUnavailable);
    if (notifier.unavailable()) {
        showUnavailable(notifier.whyUnavailable());
    }
    showFileState();
    resize(760, 420);
}

void CAlarmLogWnd::showUnavailable(const QString& why) {
    m_status->setText(tr("Desktop notifications are not available on this machine (%1).").arg(why));
}

void CAlarmLogWnd::showFileState() {
    const QString path = QString::fromStdString(m_log.file().string());
    m_file->setText(m_log.fileError().empty()
                        ? tr("Logged to %1").arg(path)
                        : tr("The log file could not be written: %1")
                              .arg(QString::fromStdString(m_log.fileError())));
}

void CAlarmLogWnd::eventAdded() {
    m_model->eventAdded();
    showFileState();
}

bool CAlarmLogWnd::saveCsv(const QString& path, QString* why) {
    const std::string csv = alarmEventsCsv(m_log);
    std::string error;
    if (writeFileAtomically(path.toStdString(), csv.data(), csv.size(), &error)) {
        return true;
    }
    if (why)
        *why = QString::fromStdString(error);
    return false;
}

void CAlarmLogWnd::OnSaveCsv() {
    QFileDialog dlg(this, tr("Save Alarm Log"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QStringLiteral("CSV Files (*.csv)"));
    dlg.selectFile(
        QDateTime::currentDateTime().toString(QStringLiteral("'alarms' yy-MM-dd HH.mm")));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = QString::fromStdString(
        withExtension(dlg.selectedFiles().constFirst().toStdString(), {".csv"}, ".csv"));
    QString why;
    if (!saveCsv(path, &why)) {
        showMessage(this, tr("The file %1 could not be written: %2").arg(path, why));
    }
}

}  // namespace kr5061
