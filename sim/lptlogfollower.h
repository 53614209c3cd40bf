#pragma once
// Follows the file that KZpio's emulated parallel printer appends every
// strobed byte to (KZPIO_SIM_LOG), so the print sink sees parallel jobs as
// they are printed. Only bytes written after start() count. The file may
// appear later, be truncated or be replaced; reading then starts over at
// its beginning. Woken by file-system notifications, it uses no CPU while
// nothing is printed.
#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace sim {

class LptLogFollower : public QObject {
    Q_OBJECT
public:
    explicit LptLogFollower(QObject *parent = nullptr);

    // False when the file's folder does not exist.
    bool start(const QString &path);
    QString path() const { return path_; }
    // Reads what was added since the last look (also called on every
    // notification).
    void poll();

signals:
    void bytes(const QByteArray &bytes);

private:
    void watch();

    QFileSystemWatcher watcher_;
    QString path_;
    qint64 offset_ = 0;
};

} // namespace sim
