#include "appcontext.h"

#include "comm/portio.h"
#include "settingsfile.h"

#include <QDir>

AppContext::AppContext(std::unique_ptr<Prompter> prompter, std::unique_ptr<PortIo> portIo)
    : prompter_(std::move(prompter)), portIo_(std::move(portIo)), messenger_(state, *prompter_)
{
}

AppContext::~AppContext() = default;

QString AppContext::settingsPath() const
{
    return QDir(state.programFolder).filePath(settingsfile::kFileName);
}
