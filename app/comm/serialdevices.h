#pragma once
// The serial devices present on this machine and which COM number maps to
// each (the settings window's "i" button), and mapping a COM number to a
// device from the window instead of editing files.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Messenger;

namespace serialdevices {

inline const QString kByIdFolder = QStringLiteral("/dev/serial/by-id");

struct Device {
    QString portName;    // ttyUSB0
    QString location;    // /dev/ttyUSB0
    QString description; // as the system names it; may be empty
    QString byId;        // /dev/serial/by-id/... or empty
};

// The devices QSerialPortInfo finds, in its order, with their by-id names.
QList<Device> present(const QString &byIdFolder = kByIdFolder);
// The link in the folder that resolves to the device; empty when none.
QString byIdName(const QString &location, const QString &byIdFolder = kByIdFolder);

// The text of the port list box: per device its name, description, by-id
// name and the COM numbers that map to it; then the COM numbers mapped to
// something not present (the emulator, an unplugged adapter).
QString report(const QList<Device> &devices);
// Shows the report in one information box.
void showReport(Messenger &messenger, const QList<Device> &devices);

// The choices for mapping COMn: the default device first, then the
// devices present (by their stable by-id name when they have one) and the
// emulator; the current mapping is among them.
struct MappingChoices {
    QStringList items;
    int current = 0;
};
MappingChoices mappingChoices(int comPort, const QList<Device> &devices);

// Stores the chosen device for COMn (the first choice removes the
// mapping). A text that is no device path is refused with a message; a
// mapping that the environment overrides is stored with a warning.
bool applyMapping(Messenger &messenger, int comPort, const QString &chosen);

} // namespace serialdevices
