#include "link/port_survey.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include "link/ms_comm.h"

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace kr5061 {

std::vector<std::string> presentSerialDevices() {
    std::vector<std::string> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back(info.systemLocation().toStdString());
    }
#ifndef Q_OS_WIN
    const QDir dev(QStringLiteral("/dev"));
    const QStringList nodes =
        dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System);
    for (const QString& node : nodes) {
        devices.push_back(dev.filePath(node).toStdString());
    }
#endif
    sortDeviceNames(devices);
    return devices;
}

PortErrorKind portErrorKind(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return PortErrorKind::kNotFound;
        case QSerialPort::OpenError:
            return PortErrorKind::kBusy;
        case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
            return PortErrorKind::kBusy;  // Windows reports a held port as access denied
#else
            if (!QFileInfo::exists(device)) {
                return PortErrorKind::kNotFound;
            }
            const QByteArray path = QFile::encodeName(device);
            return ::access(path.constData(), R_OK | W_OK) == 0 ? PortErrorKind::kBusy
                                                                : PortErrorKind::kPermissionDenied;
#endif
        }
        default:
            return PortErrorKind::kOther;
    }
}

QString portProblemText(const CMSComm& comm) {
    if (comm.openError() == QSerialPort::NoError) {
        return QString();
    }
    const QString device = comm.deviceName(comm.commPort());
    PortFailure failure;
    failure.device = device.toStdString();
    failure.kind = portErrorKind(comm.openError(), device);
    failure.detail = comm.errorText().toStdString();
    return QString::fromStdString(diagnosePort(failure, presentSerialDevices()));
}

}  // namespace kr5061
