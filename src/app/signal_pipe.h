#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace kr5061 {

// Turns SIGINT, SIGTERM and SIGHUP into an event of the Qt event loop: the
// handler only writes the signal's number into a socket pair, and the loop
// reads it back and emits interrupted(). One per process.
class SignalPipe : public QObject {
    Q_OBJECT
public:
    SignalPipe();
    ~SignalPipe() override;

signals:
    void interrupted(int signalNumber);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace kr5061
