#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QString>

namespace kr5061 {

// "Serial Device": the serial devices present now, each with what the system
// says it is, and a field for any device path. OK binds the device to the
// current port number.
class CDeviceDlg : public QDialog {
    Q_OBJECT
public:
    CDeviceDlg(int port, const QString& current, QWidget* parent = nullptr);

    // The device path in the field, without surrounding blanks.
    QString device() const { return m_path->text().trimmed(); }
    QListWidget* list() const { return m_list; }
    QLineEdit* pathEdit() const { return m_path; }

private:
    void fillList();

    QListWidget* m_list;
    QLineEdit* m_path;
};

}  // namespace kr5061
