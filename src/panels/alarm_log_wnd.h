#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include "panels/alarm_log.h"

class QCheckBox;
class QLabel;
class QTableView;

namespace kr5061 {

class DesktopNotifier;

// The alarm log as a table, newest event first.
class AlarmLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AlarmLogModel(const AlarmLog& log, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_log(log) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The log gained an event.
    void eventAdded();

private:
    const AlarmLog& m_log;
};

// "Alarm Log": every rise and clear of the limit alarms and every start and
// end of condensation risk, newest first; saves them as CSV; turns desktop
// notifications on and off and says once when the desktop has none.
class CAlarmLogWnd : public QWidget {
    Q_OBJECT
public:
    CAlarmLogWnd(const AlarmLog& log, DesktopNotifier& notifier, bool notifications,
                 QWidget* parent);

    void eventAdded();
    bool saveCsv(const QString& path, QString* why = nullptr);
    void OnSaveCsv();

    QTableView* view() const { return m_view; }
    QCheckBox* notificationBox() const { return m_notify; }
    QLabel* statusLabel() const { return m_status; }

signals:
    void notificationsToggled(bool on);

private:
    void showUnavailable(const QString& why);
    void showFileState();

    const AlarmLog& m_log;
    AlarmLogModel* m_model;
    QTableView* m_view;
    QCheckBox* m_notify;
    QLabel* m_status;
    QLabel* m_file;
};

}  // namespace kr5061
