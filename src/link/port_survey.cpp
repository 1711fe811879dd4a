#include "link/port_survey.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include "link/ms_comm.h"

#ifndef Q_OS_WIN
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kr5061 {

std::vector<SerialDeviceInfo> serialDeviceList() {
    std::vector<SerialDeviceInfo> list;
    for (const std::string& path : presentSerialDevices()) {
        list.push_back({path, {}, {}, -1, -1});
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        for (SerialDeviceInfo& d : list) {
            if (d.path == info.systemLocation().toStdString()) {
                d.description = info.description().toStdString();
                d.manufacturer = info.manufacturer().toStdString();
                if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
                    d.vendorId = info.vendorIdentifier();
                    d.productId = info.productIdentifier();
                }
            }
        }
    }
    return list;
}

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

namespace {

// Who may use the device, for the permission advice.
void addOwnership(PortFailure& failure) {
#ifndef Q_OS_WIN
    struct stat st {};
    if (::stat(failure.device.c_str(), &st) != 0) {
        return;
    }
    failure.permissions = st.st_mode & 0777;
    char buf[4096];
    struct passwd pw {};
    struct passwd* pwFound = nullptr;
    if (::getpwuid_r(st.st_uid, &pw, buf, sizeof buf, &pwFound) == 0 && pwFound != nullptr) {
        failure.owner = pw.pw_name;
    } else {
        failure.owner = std::to_string(st.st_uid);
    }
    struct group gr {};
    struct group* grFound = nullptr;
    if (::getgrgid_r(st.st_gid, &gr, buf, sizeof buf, &grFound) == 0 && grFound != nullptr) {
        failure.group = gr.gr_name;
    } else {
        failure.group = std::to_string(st.st_gid);
    }
#else
    (void)failure;
#endif
}

}  // namespace

QString portProblemText(const CMSComm& comm, PortAdvice advice) {
    if (comm.openError() == QSerialPort::NoError) {
        return QString();
    }
    const QString device = comm.deviceName(comm.commPort());
    PortFailure failure;
    failure.device = device.toStdString();
    failure.kind = portErrorKind(comm.openError(), device);
    failure.detail = comm.errorText().toStdString();
    if (failure.kind == PortErrorKind::kPermissionDenied) {
        addOwnership(failure);
    }
    return QString::fromStdString(diagnosePort(failure, presentSerialDevices(), advice));
}

}  // namespace kr5061
