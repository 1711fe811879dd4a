#pragma once

#include <QDialog>

class QLineEdit;

namespace kr5061 {

class CUpDown;

// "Sample Rate And Sample Data ": the period in seconds and the number of
// samples of a run. The caller pre-fills the two members and reads them on OK.
class CSampleDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSampleDlg(QWidget* parent = nullptr);

    int m_sampleRate = 1;
    int m_sampleData = 1000;

    // Fills the fields from the members, as the dialog does when it opens.
    void showEvent(QShowEvent* event) override;
    void accept() override;

    QLineEdit* rateEdit() const { return m_rateEdit; }
    QLineEdit* dataEdit() const { return m_dataEdit; }
    CUpDown* rateSpin() const { return m_rateSpin; }
    CUpDown* dataSpin() const { return m_dataSpin; }

private:
    bool readFields();
    void writeFields();

    QLineEdit* m_rateEdit;
    QLineEdit* m_dataEdit;
    CUpDown* m_rateSpin;
    CUpDown* m_dataSpin;
};

}  // namespace kr5061
