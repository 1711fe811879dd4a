#include "sim/pty_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace kr5061 {

namespace {

std::string describe(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool fail(std::string* error, const char* what) {
    if (error != nullptr) {
        *error = describe(what);
    }
    return false;
}

// ptsname() returns a static buffer; serialise it where ptsname_r is missing.
std::string slaveName(int master) {
#if defined(__GLIBC__)
    char name[128];
    return ptsname_r(master, name, sizeof name) == 0 ? std::string(name) : std::string();
#else
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    const char* name = ptsname(master);
    return name != nullptr ? std::string(name) : std::string();
#endif
}

}  // namespace

PtyTransport::~PtyTransport() {
    hangUp();
}

bool PtyTransport::open(std::string* error) {
    hangUp();
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        return fail(error, "posix_openpt");
    }
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        const bool r = fail(error, "grantpt/unlockpt");
        hangUp();
        return r;
    }
    m_slavePath = slaveName(m_master);
    if (m_slavePath.empty()) {
        const bool r = fail(error, "ptsname");
        hangUp();
        return r;
    }
    m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_slave < 0 || tcgetattr(m_slave, &tio) != 0) {
        const bool r = fail(error, "open slave");
        hangUp();
        return r;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B4800);
    cfsetospeed(&tio, B4800);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        const bool r = fail(error, "tcsetattr");
        hangUp();
        return r;
    }
    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    return true;
}

long PtyTransport::readSome(std::uint8_t* buf, std::size_t cap, int timeoutMs) {
    if (m_master < 0) {
        return -1;
    }
    pollfd pfd{m_master, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? 0 : -1;
    }
    if (ready == 0) {
        return 0;
    }
    const ssize_t n = ::read(m_master, buf, cap);
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    }
    return static_cast<long>(n);
}

bool PtyTransport::writeAll(const std::uint8_t* data, std::size_t n) {
    bool flushed = false;
    while (n > 0 && m_master >= 0) {
        const ssize_t w = ::write(m_master, data, n);
        if (w > 0) {
            data += w;
            n -= static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w < 0 && errno != EAGAIN) {
            return false;
        }
        // The slave's input queue is full: nobody reads the port (the program
        // closed it). Like a real line, drop what nobody took, once, then give up.
        pollfd pfd{m_master, POLLOUT, 0};
        if (::poll(&pfd, 1, 100) <= 0) {
            if (flushed) {
                return false;
            }
            tcflush(m_slave, TCIFLUSH);
            flushed = true;
        }
    }
    return m_master >= 0;
}

void PtyTransport::hangUp() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

}  // namespace kr5061
