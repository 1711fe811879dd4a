#include "sim/pty_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace kr5061 {
namespace {

// The program's side of the line: the slave opened like a serial port.
class SlavePort {
public:
    explicit SlavePort(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~SlavePort() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Reads until n bytes arrived or the (generous) deadline passed.
    std::vector<std::uint8_t> read(std::size_t n, int timeoutMs = 3000) {
        std::vector<std::uint8_t> got;
        while (got.size() < n) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, timeoutMs) <= 0) {
                break;
            }
            std::uint8_t buf[512];
            const ssize_t r = ::read(m_fd, buf, sizeof buf);
            if (r <= 0) {
                break;
            }
            got.insert(got.end(), buf, buf + r);
        }
        return got;
    }

private:
    int m_fd;
};

std::vector<std::uint8_t> readFromMaster(PtyTransport& t, std::size_t n) {
    std::vector<std::uint8_t> got;
    for (int tries = 0; got.size() < n && tries < 100; ++tries) {
        std::uint8_t buf[512];
        const long r = t.readSome(buf, sizeof buf, 50);
        if (r < 0) {
            break;
        }
        got.insert(got.end(), buf, buf + r);
    }
    return got;
}

std::vector<std::uint8_t> everyByteValue() {
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i) {
        all.push_back(static_cast<std::uint8_t>(i));
    }
    // The bytes a cooked line discipline would eat or rewrite, once more.
    for (std::uint8_t b : {0x0A, 0x0D, 0x11, 0x13, 0x03, 0x04, 0x7F, 0xFF}) {
        all.push_back(b);
    }
    return all;
}

TEST(PtyTransport, BytesPassBothWaysUnchanged) {
    PtyTransport t;
    std::string error;
    ASSERT_TRUE(t.open(&error)) << error;
    SlavePort port(t.slavePath());
    ASSERT_TRUE(port.ok());
    const std::vector<std::uint8_t> all = everyByteValue();

    ASSERT_TRUE(t.writeAll(all.data(), all.size()));
    EXPECT_EQ(port.read(all.size()), all);

    ASSERT_EQ(::write(port.fd(), all.data(), all.size()), static_cast<ssize_t>(all.size()));
    EXPECT_EQ(readFromMaster(t, all.size()), all);
    // No echo came back to the program's side.
    EXPECT_TRUE(port.read(1, 100).empty());
}

TEST(PtyTransport, ProgramClosingItsPortDoesNotBreakTheInstrumentSide) {
    PtyTransport t;
    ASSERT_TRUE(t.open());
    {
        SlavePort first(t.slavePath());
        ASSERT_TRUE(first.ok());
    }
    std::uint8_t buf[16];
    EXPECT_EQ(t.readSome(buf, sizeof buf, 50), 0);  // a timeout, not an error
    SlavePort again(t.slavePath());
    ASSERT_TRUE(again.ok());
    const std::uint8_t poll = 0x11;
    ASSERT_EQ(::write(again.fd(), &poll, 1), 1);
    EXPECT_EQ(readFromMaster(t, 1), std::vector<std::uint8_t>{0x11});
}

TEST(PtyTransport, HangUpIsSeenByTheProgram) {
    PtyTransport t;
    ASSERT_TRUE(t.open());
    SlavePort port(t.slavePath());
    ASSERT_TRUE(port.ok());
    t.hangUp();
    EXPECT_FALSE(t.isOpen());
    pollfd pfd{port.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 3000), 1);
    EXPECT_NE(pfd.revents & (POLLHUP | POLLERR), 0);
    std::uint8_t b;
    EXPECT_LE(::read(port.fd(), &b, 1), 0);
    EXPECT_EQ(t.readSome(&b, 1, 0), -1);
    EXPECT_FALSE(t.writeAll(&b, 1));
}

TEST(PtyTransport, UnreadOutputIsDroppedInsteadOfBlocking) {
    // With nobody reading, the line overflows like a real one and writes go on.
    PtyTransport t;
    ASSERT_TRUE(t.open());
    const std::vector<std::uint8_t> chunk(4096, 0x55);
    for (int i = 0; i < 16; ++i) {
        ASSERT_TRUE(t.writeAll(chunk.data(), chunk.size())) << i;
    }
}

}  // namespace
}  // namespace kr5061
