#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/about_dlg.h"
#include "support/main_window_parts.h"
#include "support/modal.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

// The Help menu's first item shows the About box; every line of it is readable
// in full: inside the box, clear of the others and of the OK button.
TEST(AboutBox, ShowsNameVersionAndLicenseUncutAndClosesWithOk) {
    test::ScopedConfigDir config;
    const test::MainWindowParts parts;
    const auto frame = parts.makeFrame();
    bool shown = false;
    test::onNextModal<CAboutDlg>([&](CAboutDlg* dlg) {
        shown = true;
        EXPECT_EQ(dlg->windowTitle(), "About KR5061");
        QStringList texts;
        QList<QRect> boxes;
        for (const QLabel* label : dlg->findChildren<QLabel*>()) {
            if (label->text().isEmpty()) {
                continue;  // the icon
            }
            texts << label->text();
            boxes << label->geometry();
            EXPECT_TRUE(dlg->rect().contains(label->geometry())) << label->text().toStdString();
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
        EXPECT_EQ(texts, (QStringList{"Psychrometer + IR Thermometer V1.2",
                                      "Released under the MIT License."}));
        auto* ok = dlg->findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        boxes << ok->geometry();
        for (int i = 0; i < boxes.size(); ++i) {
            for (int j = i + 1; j < boxes.size(); ++j) {
                EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " overlaps " << j;
            }
        }
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    frame->updateCommandUI();
    QAction* about = frame->action(57664);
    ASSERT_NE(about, nullptr);
    about->trigger();  // returns once the box is closed
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kr5061
