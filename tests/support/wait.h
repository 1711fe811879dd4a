#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace kr5061::test {

// Runs the event loop until `done` holds; false when `timeoutMs` passed first.
inline bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

}  // namespace kr5061::test
