#include "link/ms_comm.h"

#include <QMetaObject>
#include <QStringList>

namespace kr5061 {

CMSComm::CMSComm(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &CMSComm::handleReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CMSComm::handleError);
}

CMSComm::~CMSComm() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void CMSComm::setCommPort(int port) {
    m_commPort = port;
    m_port.setPortName(deviceName(port));
}

bool CMSComm::setSettings(const QString& settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return false;
    }
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) {
        return false;
    }
    QSerialPort::Parity parity;
    switch (parts[1].trimmed().toLower().at(0).toLatin1()) {
        case 'n': parity = QSerialPort::NoParity; break;
        case 'e': parity = QSerialPort::EvenParity; break;
        case 'o': parity = QSerialPort::OddParity; break;
        case 'm': parity = QSerialPort::MarkParity; break;
        case 's': parity = QSerialPort::SpaceParity; break;
        default: return false;
    }
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8) {
        return false;
    }
    const QString stop = parts[3].trimmed();
    QSerialPort::StopBits stopBits;
    if (stop == QLatin1String("1")) {
        stopBits = QSerialPort::OneStop;
    } else if (stop == QLatin1String("1.5")) {
        stopBits = QSerialPort::OneAndHalfStop;
    } else if (stop == QLatin1String("2")) {
        stopBits = QSerialPort::TwoStop;
    } else {
        return false;
    }
    m_port.setBaudRate(baud);
    m_port.setParity(parity);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(data));
    m_port.setStopBits(stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

void CMSComm::setInBufferCount(int count) {
    if (count == 0 && m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
}

bool CMSComm::setPortOpen(bool open) {
    if (!open) {
        if (m_port.isOpen()) {
            m_port.close();
        }
        return true;
    }
    if (m_port.isOpen()) {
        return true;
    }
    m_port.setPortName(deviceName(m_commPort));
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_errorText = m_port.errorString();
        m_openError = m_port.error();
        m_port.clearError();
        return false;
    }
    // Stale input from before the open would otherwise arrive as a receive event.
    m_port.clear(QSerialPort::AllDirections);
    m_errorText.clear();
    m_openError = QSerialPort::NoError;
    return true;
}

bool CMSComm::portOpen() const { return m_port.isOpen(); }

bool CMSComm::setOutput(const std::uint8_t* data, std::size_t size) {
    if (!m_port.isOpen()) {
        m_errorText = tr("The serial port is not open.");
        return false;
    }
    const qint64 written = m_port.write(reinterpret_cast<const char*>(data),
                                        static_cast<qint64>(size));
    return written == static_cast<qint64>(size);
}

QByteArray CMSComm::input() {
    if (m_inputLen > 0) {
        return m_port.read(m_inputLen);
    }
    return m_port.readAll();
}

QString CMSComm::deviceName(int port) const {
    const auto bound = m_boundDevices.constFind(port);
    if (bound != m_boundDevices.constEnd()) {
        return bound.value();
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

void CMSComm::bindDevice(int port, const QString& device) { m_boundDevices.insert(port, device); }

void CMSComm::handleReadyRead() {
    const qint64 held = m_heldBytes ? m_heldBytes() : 0;
    if (m_port.bytesAvailable() + held >= m_threshold) {
        emit onComm();
    }
}

void CMSComm::handleError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError) {
        return;  // modem-line calls on a pseudo-terminal report this; harmless
    }
    ++m_errorSignals;
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError &&
        error != QSerialPort::ResourceError) {
        return;
    }
    // A hang-up makes the port report errors in a tight loop: close once, from
    // the event loop, and leave the reopening to the link watchdog.
    if (!m_closeQueued) {
        m_closeQueued = true;
        QMetaObject::invokeMethod(this, &CMSComm::closeAfterError, Qt::QueuedConnection);
    }
}

void CMSComm::closeAfterError() {
    m_closeQueued = false;
    if (m_port.isOpen()) {
        m_errorText = m_port.errorString();
        m_port.close();
        m_port.clearError();
        emit portLost();
    }
}

}  // namespace kr5061
