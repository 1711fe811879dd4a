#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QStatusBar>
#include <QUrl>
#include <memory>

#include "support/main_window_parts.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

// Takes the place of the desktop's viewer for file URLs.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    Q_INVOKABLE void open(const QUrl& url) { urls << url; }
};

TEST(HelpCommand, ContentsOpensTheHelpBesideTheProgram) {
    test::ScopedConfigDir config;
    const test::MainWindowParts parts;
    const auto frame = parts.makeFrame();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");

    frame->updateCommandUI();
    QAction* contents = frame->action(32779);
    ASSERT_NE(contents, nullptr);
    contents->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    // The tests run from the build tree, where the help is copied beside the program.
    const QString expected =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help/index.html"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(expected));
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
}

}  // namespace
}  // namespace kr5061

#include "help_command_test.moc"
