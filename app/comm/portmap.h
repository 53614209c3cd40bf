#pragma once
// Which device a COM number means on this machine. The settings keep a
// COM number (1..30); COMn is
//   1. the environment variable ZENTRIX_COMn, if set, else
//   2. the per-user setting Ports/COMn (QSettings), else
//   3. /dev/ttyS(n-1).
// The value "sim:" (or "sim:persona") selects the in-process printer
// emulator instead of a device (see MappedSerialLink).
#include <QList>
#include <QString>

namespace portmap {

inline const QString kSimPrefix = QStringLiteral("sim:");

// The device for COMn (n = 1..30; other numbers map to the default rule).
QString devicePath(int comPort);
// Where the answer came from, for the port list: "env", "setting" or "default".
QString sourceOf(int comPort);
// /dev/ttyS(n-1).
QString defaultDevice(int comPort);
// The per-user setting key, "Ports/COMn".
QString settingKey(int comPort);
// Stores (or with an empty path removes) the per-user mapping of COMn.
void setDevicePath(int comPort, const QString &path);

bool isSim(const QString &device);
// "message" for "sim:message"; empty for "sim:".
QString simPersona(const QString &device);

// The COM numbers 1..30 that map to the device (following symbolic links,
// so /dev/serial/by-id names match their ttyUSB device).
QList<int> comPortsFor(const QString &device);

} // namespace portmap
