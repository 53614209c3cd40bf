#include "appcontext.h"

#include "base/settingsfile.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/receiver.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"

#include <QDir>

AppContext::AppContext(std::unique_ptr<Prompter> prompter, std::unique_ptr<PortIo> portIo,
                       std::unique_ptr<SerialLink> serialLink)
    : prompter_(std::move(prompter)), portIo_(std::move(portIo)), messenger_(state, *prompter_),
      serialLink_(serialLink ? std::move(serialLink) : std::make_unique<SimSerialLink>())
{
    serial_ = std::make_unique<SerialControl>(*serialLink_);
    channel_ = std::make_unique<OutputChannel>(state, messenger_, *portIo_, *serial_);
    receiver_ = std::make_unique<Receiver>(state, *channel_);
}

AppContext::~AppContext()
{
    // The receiver and channel refer to the port; they go first.
    receiver_.reset();
    channel_.reset();
    serial_.reset();
    serialLink_.reset();
}

QString AppContext::settingsPath() const { return QDir(state.programFolder).filePath(settingsfile::kFileName); }
