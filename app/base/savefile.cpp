#include "savefile.h"

#include "fileerrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savefile {

namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kNameTries = 20;

bool fail(QString *error, QFileDevice::FileError why)
{
    if (error)
        *error = fileerrors::text(why);
    return false;
}

QFileDevice::FileError fromErrno(int e, QFileDevice::FileError otherwise)
{
    switch (e) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QFileDevice::PermissionsError;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return QFileDevice::ResourceError;
    default:
        return otherwise;
    }
}

mode_t modeOf(QFileDevice::Permissions p)
{
    mode_t m = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto &[flag, bit] : bits)
        if (p & flag)
            m |= bit;
    return m;
}

// The file a link points to, through a chain of links; the path itself
// when it is no link.
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && hops < kMaxLinkHops; ++hops)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

QString tempPathFor(const QString &target)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < kTempSuffixLength; ++i)
        suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)]);
    const QFileInfo info(target);
    return info.dir().filePath(QLatin1Char('.') + info.fileName() + kTempMark + suffix);
}

bool sameInode(int fd, const QByteArray &name)
{
    struct stat byFd {};
    struct stat byName {};
    return fstat(fd, &byFd) == 0 && lstat(name.constData(), &byName) == 0 && byFd.st_dev == byName.st_dev &&
           byFd.st_ino == byName.st_ino;
}

// A temporary file under a fresh name, locked for as long as it is open
// so that no other save takes it for a leftover. -1 with errno set.
int createTemp(const QString &target, mode_t mode, QByteArray &name)
{
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        name = QFile::encodeName(tempPathFor(target));
        const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // Another save's clean-up may have caught it before the lock.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && sameInode(fd, name))
            return fd;
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const QByteArray &contents)
{
    qint64 done = 0;
    while (done < contents.size()) {
        const ssize_t n = write(fd, contents.constData() + done, size_t(contents.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Removes the temporary files of saves that were killed before their
// rename: those no running save holds locked.
void removeLeftovers(const QString &target)
{
    for (const QString &path : tempFilesOf(target)) {
        const QByteArray name = QFile::encodeName(path);
        const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && sameInode(fd, name))
            unlink(name.constData());
        close(fd);
    }
}

void syncFolder(const QString &target)
{
    const int fd =
        open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool isTempNameOf(const QString &target, const QString &candidate)
{
    const qsizetype start = 1 + target.size() + kTempMark.size();
    if (target.isEmpty() || candidate.size() != start + kTempSuffixLength || !candidate.startsWith(QLatin1Char('.')) ||
        QStringView(candidate).mid(1, target.size()) != target ||
        QStringView(candidate).mid(1 + target.size(), kTempMark.size()) != kTempMark)
        return false;
    for (const QChar c : QStringView(candidate).mid(start))
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
            return false;
    return true;
}

QStringList tempFilesOf(const QString &path)
{
    const QFileInfo target(finalTarget(path));
    const QDir folder = target.dir();
    QStringList found;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks))
        if (isTempNameOf(target.fileName(), name))
            found << folder.filePath(name);
    return found;
}

bool replace(const QString &path, const QByteArray &contents, QString *error,
             std::optional<QFileDevice::Permissions> permissions)
{
    const QString target = finalTarget(path);
    // A file the user marked read-only stays as it is, for root too.
    if (fileerrors::markedReadOnly(target))
        return fail(error, QFileDevice::PermissionsError);
    removeLeftovers(target);

    // The replacement keeps the old file's permissions unless told others.
    std::optional<mode_t> mode;
    if (permissions) {
        mode = modeOf(*permissions);
    } else {
        struct stat old {};
        if (stat(QFile::encodeName(target).constData(), &old) == 0)
            mode = old.st_mode & 07777;
    }

    QByteArray temp;
    const int fd = createTemp(target, mode.value_or(0666), temp);
    if (fd < 0)
        return fail(error, fromErrno(errno, QFileDevice::OpenError));
    const auto giveUp = [&](QFileDevice::FileError why) {
        close(fd);
        unlink(temp.constData());
        return fail(error, why);
    };
    if (!writeAll(fd, contents))
        return giveUp(fromErrno(errno, QFileDevice::WriteError));
    // On disk before it takes the old file's place.
    if (fsync(fd) != 0)
        return giveUp(fromErrno(errno, QFileDevice::WriteError));
    if (mode && fchmod(fd, *mode) != 0)
        return giveUp(fromErrno(errno, QFileDevice::PermissionsError));
    if (std::rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
        return giveUp(fromErrno(errno, QFileDevice::RenameError));
    close(fd); // the lock goes with it
    syncFolder(target);
    return true;
}

} // namespace savefile
