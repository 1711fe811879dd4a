#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/help_wnd.h"
#include "support/main_window_parts.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

// Help › Contents shows the help beside the program in the program's own
// window, whose links and Back/Forward work without any desktop browser.
TEST(HelpCommand, ContentsShowsTheHelpInItsOwnWindowWithWorkingLinks) {
    test::ScopedConfigDir config;
    const test::MainWindowParts parts;
    const auto frame = parts.makeFrame();
    frame->action(32779)->trigger();
    CHelpWnd* help = frame->helpWindow();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    // The tests run from the build tree, where the help is copied beside the program.
    const QUrl index = QUrl::fromLocalFile(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html")));
    QTextBrowser* browser = help->browser();
    EXPECT_EQ(browser->source(), index);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Connecting the instrument")));
    EXPECT_FALSE(help->backAction()->isEnabled());

    // The first link, reached and followed with the keyboard as a user would.
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("channels"));
    EXPECT_GT(browser->verticalScrollBar()->value(), 0) << "scrolled to the section";
    ASSERT_TRUE(help->backAction()->isEnabled());
    help->backAction()->trigger();
    EXPECT_EQ(browser->source(), index);
    EXPECT_TRUE(help->forwardAction()->isEnabled());

    frame->action(32779)->trigger();  // a second Contents raises the same window
    EXPECT_EQ(frame->helpWindow(), help);
}

}  // namespace
}  // namespace kr5061
