#pragma once

#include <QAction>
#include <QString>
#include <QTextBrowser>
#include <QWidget>

namespace kr5061 {

// The user help in a window of our own: the shipped HTML in a text browser
// with Back, Forward and Home, so the help shows on any desktop, with or
// without a web browser. Links to the web go to the desktop's browser.
class CHelpWnd : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWnd(const QString& indexFile, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return m_browser; }
    QAction* backAction() const { return m_back; }
    QAction* forwardAction() const { return m_forward; }

private:
    QTextBrowser* m_browser;
    QAction* m_back;
    QAction* m_forward;
};

}  // namespace kr5061
