#pragma once

#include <QDialog>

namespace kr5061 {

// "About KR5061": the program icon, its name and version, and its license.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace kr5061
