#include "lptlogfollower.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sim {

LptLogFollower::LptLogFollower(QObject *parent) : QObject(parent)
{
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { poll(); });
    // A created or replaced file shows up as a change of its folder.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        watch();
        poll();
    });
}

bool LptLogFollower::start(const QString &path)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return false;
    path_ = info.absoluteFilePath();
    offset_ = info.exists() ? info.size() : 0;
    watcher_.addPath(info.absolutePath());
    watch();
    return true;
}

void LptLogFollower::watch()
{
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_))
        watcher_.addPath(path_);
}

void LptLogFollower::poll()
{
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        offset_ = 0;
        return;
    }
    if (file.size() < offset_)
        offset_ = 0;
    if (file.size() == offset_ || !file.seek(offset_))
        return;
    const QByteArray added = file.readAll();
    offset_ += added.size();
    if (!added.isEmpty())
        emit bytes(added);
}

} // namespace sim
