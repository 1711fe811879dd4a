#pragma once

#include <QDialog>

class QComboBox;

namespace kr5061 {

// "Y OFFSET And Y GAINS Setup": picks a value-axis offset and gain from fixed
// lists. Opens with nothing chosen; the caller translates the chosen items.
class CYAxisDlg : public QDialog {
    Q_OBJECT
public:
    explicit CYAxisDlg(QWidget* parent = nullptr);

    int m_gainIndex = -1;
    int m_offsetIndex = -1;

    void showEvent(QShowEvent* event) override;
    void accept() override;

    QComboBox* offsetList() const { return m_offsetList; }
    QComboBox* gainList() const { return m_gainList; }

private:
    QComboBox* m_offsetList;
    QComboBox* m_gainList;
};

}  // namespace kr5061
