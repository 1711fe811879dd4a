#pragma once

#include <QSerialPort>
#include <QString>
#include <string>
#include <vector>

#include "link/port_diagnosis.h"

namespace kr5061 {

class CMSComm;

// The serial devices that exist now: what the serial back end lists, plus the
// USB and ACM device nodes present (the back end skips some of them).
std::vector<std::string> presentSerialDevices();

// The back end's open error in the terms of the diagnosis. Qt reports a device
// held by another program (its lock file, or an exclusive open) as a
// permission error too; a device the user may read and write is then busy.
PortErrorKind portErrorKind(QSerialPort::SerialPortError error, const QString& device);

// Every serial device present now, with what the system knows of each.
std::vector<SerialDeviceInfo> serialDeviceList();

// What the user is told about the port's last failed open; empty when the
// last open succeeded.
QString portProblemText(const CMSComm& comm, PortAdvice advice = PortAdvice::kCommandLine);

}  // namespace kr5061
