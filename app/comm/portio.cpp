#include "portio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

LibraryPortIo::~LibraryPortIo()
{
    if (handle_)
        dlclose(handle_);
}

bool LibraryPortIo::bind()
{
    if (tried_)
        return handle_ != nullptr;
    tried_ = true;

    QStringList candidates;
    const QString forced = qEnvironmentVariable("ZENTRIX_KZPIO");
    if (forced == QLatin1String("none"))
        return false;
    if (!forced.isEmpty()) {
        candidates << forced;
    } else {
        if (!folder_.isEmpty())
            candidates << QDir(folder_).filePath(QStringLiteral("libKZpio.so"));
        // The program folder may be a data folder (ZENTRIX_HOME, or a
        // read-only install): the library built beside the executable
        // still counts as the program's own.
        if (QCoreApplication::instance()) {
            const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libKZpio.so"));
            if (!candidates.contains(beside))
                candidates << beside;
        }
        candidates << QStringLiteral("libKZpio.so") << QStringLiteral("libKZpio.so.1");
    }
    for (const QString &name : candidates) {
        void *h = dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!h)
            continue;
        auto sym = [h](const char *n) { return dlsym(h, n); };
        inpB_ = reinterpret_cast<quint32 (*)(quint32)>(sym("InpB"));
        outB_ = reinterpret_cast<void (*)(quint32, quint32)>(sym("OutB"));
        start_ = reinterpret_cast<quint32 (*)()>(sym("IOSCM_Start"));
        stop_ = reinterpret_cast<quint32 (*)()>(sym("IOSCM_Stop"));
        if (inpB_ && outB_ && start_ && stop_) {
            handle_ = h;
            loadedFrom_ = name;
            return true;
        }
        dlclose(h);
        inpB_ = nullptr;
        outB_ = nullptr;
        start_ = nullptr;
        stop_ = nullptr;
    }
    return false;
}

bool LibraryPortIo::available() { return bind(); }

quint32 LibraryPortIo::start() { return bind() ? start_() : 0x01u; }

quint32 LibraryPortIo::stop() { return bind() ? stop_() : 0u; }

quint8 LibraryPortIo::inpB(quint16 port) { return bind() ? static_cast<quint8>(inpB_(port) & 0xFF) : 0xFF; }

void LibraryPortIo::outB(quint16 port, quint8 value)
{
    if (bind())
        outB_(port, value);
}
