#include "app/help_wnd.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace kr5061 {

CHelpWnd::CHelpWnd(const QString& indexFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this)) {
    setWindowTitle(tr("KR5061 Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* bar = new QToolBar(this);
    m_back = bar->addAction(tr("&Back"), m_browser, &QTextBrowser::backward);
    m_forward = bar->addAction(tr("&Forward"), m_browser, &QTextBrowser::forward);
    QAction* home = bar->addAction(tr("&Home"), m_browser, &QTextBrowser::home);
    m_back->setShortcut(QKeySequence::Back);
    m_forward->setShortcut(QKeySequence::Forward);
    home->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(indexFile));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);

    // A readable page, wholly on the screen the main window is on.
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    resize(std::min(900, area.width()), std::min(700, area.height()));
    move(area.center() - rect().center());
}

}  // namespace kr5061
