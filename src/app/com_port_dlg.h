#pragma once

#include <QDialog>

class QLineEdit;

namespace kr5061 {

// "COM Port Setup": the number of a port above COM4.
class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    explicit CComPortDlg(QWidget* parent = nullptr);

    unsigned m_value = 5;

    void showEvent(QShowEvent* event) override;
    void accept() override;
    QLineEdit* edit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

}  // namespace kr5061
