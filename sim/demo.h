#pragma once
// How the workbench puts emulated printers on its "sim:" ports (demo mode,
// see scripts/run) and shows that it does.
#include <QString>

class MappedSerialLink;
struct AppState;

namespace sim {

inline const QString kSimulationMark = QStringLiteral(" [プリンタ模擬]");

// Demo printers for the link's "sim:" ports; a plain "sim:" gets the one
// that fits the tool open in state (message tool: message printer, ...).
// state must outlive the link.
void attachDemoPrinters(MappedSerialLink &link, const AppState &state);

// kSimulationMark while the port is emulated (open on the emulator, or the
// settings' COM port maps to "sim:"), else nothing.
QString simulationMark(const MappedSerialLink &link, const AppState &state);

} // namespace sim
