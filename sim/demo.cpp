#include "demo.h"

#include "personas.h"

#include "base/appstate.h"
#include "comm/mappedseriallink.h"
#include "comm/portmap.h"

namespace sim {

void attachDemoPrinters(MappedSerialLink &link, const AppState &state)
{
    link.setPeerFactory(
        [](const QString &persona) -> std::unique_ptr<SerialPeer> { return createDemoPrinter(persona); });
    link.setDefaultPersona([&state] { return personaForToolState(state.toolState); });
}

QString simulationMark(const MappedSerialLink &link, const AppState &state)
{
    const bool simulated = link.isSimulated() || portmap::isSim(portmap::devicePath(state.output.comPort));
    return simulated ? kSimulationMark : QString();
}

} // namespace sim
