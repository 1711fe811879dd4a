#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kr5061 {

// The serial port as the program uses it: the operations of the original
// serial control that the program needs (port number, line settings, receive
// threshold, read length, input buffer count, open/close, is-open, output,
// input) over QSerialPort. Input is always binary. The receive notification
// onComm() is raised on the UI thread once at least the receive threshold is
// buffered; errors never raise it (the port closes and the watchdog reopens it).
class CMSComm : public QObject {
    Q_OBJECT
public:
    explicit CMSComm(QObject* parent = nullptr);
    ~CMSComm() override;

    void setCommPort(int port);
    int commPort() const { return m_commPort; }
    // "baud,parity,data,stop", e.g. "4800,n,8,1"; false when the text is not understood.
    bool setSettings(const QString& settings);
    void setRThreshold(int bytes) { m_threshold = bytes; }
    // Bytes a reader already took from the port and still holds (the head of a
    // frame); they count toward the threshold like bytes still in the port, or
    // a frame whose tail arrives alone would wait for the next one.
    void setHeldBytes(std::function<qint64()> held) { m_heldBytes = std::move(held); }
    void setInputLen(int length) { m_inputLen = length; }
    // 0 discards everything buffered for input.
    void setInBufferCount(int count);
    // Opens or closes the port; false when opening failed (errorText() says why).
    bool setPortOpen(bool open);
    bool portOpen() const;
    // Sends the bytes in one write; false when the port is closed or the write failed.
    bool setOutput(const std::uint8_t* data, std::size_t size);
    // Reads what is buffered (everything when the read length is 0).
    QByteArray input();

    // Device behind a port number: COMn on Windows, /dev/ttyUSB{n-1} elsewhere,
    // unless the number was bound to another device for this run.
    QString deviceName(int port) const;
    void bindDevice(int port, const QString& device);

    QString errorText() const { return m_errorText; }
    // Why the last open failed (NoError once an open succeeded).
    QSerialPort::SerialPortError openError() const { return m_openError; }
    // Error signals seen from the port since construction (tests bound storms with it).
    int errorSignalCount() const { return m_errorSignals; }

signals:
    void onComm();
    // The port closed itself after a hang-up or an I/O error.
    void portLost();

private:
    void handleReadyRead();
    void handleError(QSerialPort::SerialPortError error);
    void closeAfterError();

    QSerialPort m_port;
    QHash<int, QString> m_boundDevices;
    std::function<qint64()> m_heldBytes;
    QString m_errorText;
    QSerialPort::SerialPortError m_openError = QSerialPort::NoError;
    int m_commPort = 1;
    int m_threshold = 0;
    int m_inputLen = 0;
    int m_errorSignals = 0;
    bool m_closeQueued = false;
};

}  // namespace kr5061
