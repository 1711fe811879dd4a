#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "sim/pty_transport.h"
#include "support/live_frames.h"
#include "support/wait.h"

namespace kr5061 {
namespace {

using test::waitFor;

// The port opens in the middle of a frame and every later frame arrives in two
// writes. Each frame must be handled when its tail arrives, not one frame later.
TEST(SplitFrame, FrameIsHandledWhenItsTailArrivesInALaterRead) {
    PtyTransport pty;
    std::string error;
    ASSERT_TRUE(pty.open(&error)) << error;
    LiveState state;
    auto doc = std::make_unique<CHygDoc>();
    CMSComm comm;
    LinkDriver link(state, *doc, comm);
    comm.bindDevice(1, QString::fromStdString(pty.slavePath()));
    initFrameState(state.frame, 1);
    ASSERT_TRUE(link.OpenPortAndStart());

    test::FrameFields fields;
    constexpr std::size_t kHead = 26;
    // The tail of a frame sent before the port opened, then the head of the first frame.
    const LiveFrame stale = test::makeFrame(fields);
    std::vector<std::uint8_t> first(stale.end() - 20, stale.end());
    for (int n = 1; n <= 3; ++n) {
        fields.air = 20.0f + static_cast<float>(n);
        const LiveFrame frame = test::makeFrame(fields);
        first.insert(first.end(), frame.begin(), frame.begin() + kHead);
        ASSERT_TRUE(pty.writeAll(first.data(), first.size()));
        first.clear();
        if (n == 1) {  // stale tail and head fill the threshold: the reader keeps the head
            ASSERT_TRUE(waitFor([&] { return link.reader().buffered() == kHead; }, 3000));
        }
        ASSERT_TRUE(pty.writeAll(frame.data() + kHead, frame.size() - kHead));
        EXPECT_TRUE(waitFor([&] { return doc->m_live[kAir][0] == fields.air; }, 3000))
            << "frame " << n << " is still waiting; AIR shows " << doc->m_live[kAir][0];
    }
}

}  // namespace
}  // namespace kr5061
