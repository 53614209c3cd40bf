#pragma once
// The built libKZpio.so, bound by name as the program binds it, with the
// emulated printer's controls; and a guard for environment variables.
#include "kzpio_sim.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <dlfcn.h>

struct KZpioLib {
    void *handle = nullptr;
    uint32_t (*InpB)(uint32_t) = nullptr;
    uint32_t (*InpW)(uint32_t) = nullptr;
    uint32_t (*InpD)(uint32_t) = nullptr;
    void (*OutB)(uint32_t, uint32_t) = nullptr;
    void (*OutW)(uint32_t, uint32_t) = nullptr;
    void (*OutD)(uint32_t, uint32_t) = nullptr;
    uint32_t (*Start)() = nullptr;
    uint32_t (*Stop)() = nullptr;
    void (*SetLines)(uint32_t) = nullptr;
    void (*SetBusyTime)(uint32_t) = nullptr;
    uint32_t (*Received)(uint8_t *, uint32_t) = nullptr;
    uint32_t (*Refused)() = nullptr;
    void (*Clear)() = nullptr;

    KZpioLib()
    {
        handle = dlopen(KZPIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return;
        bind(InpB, "InpB");
        bind(InpW, "InpW");
        bind(InpD, "InpD");
        bind(OutB, "OutB");
        bind(OutW, "OutW");
        bind(OutD, "OutD");
        bind(Start, "IOSCM_Start");
        bind(Stop, "IOSCM_Stop");
        bind(SetLines, "KZpioSim_SetLines");
        bind(SetBusyTime, "KZpioSim_SetBusyTime");
        bind(Received, "KZpioSim_Received");
        bind(Refused, "KZpioSim_Refused");
        bind(Clear, "KZpioSim_Clear");
    }
    ~KZpioLib()
    {
        if (handle)
            dlclose(handle);
    }
    bool complete() const
    {
        return handle && InpB && InpW && InpD && OutB && OutW && OutD && Start && Stop && SetLines && SetBusyTime &&
               Received && Refused && Clear;
    }
    QByteArray received() const
    {
        QByteArray bytes(int(Received(nullptr, 0)), '\0');
        Received(reinterpret_cast<uint8_t *>(bytes.data()), uint32_t(bytes.size()));
        return bytes;
    }
    static QString folder() { return QFileInfo(QStringLiteral(KZPIO_LIBRARY)).absolutePath(); }

private:
    template <typename F> void bind(F &f, const char *name) { f = reinterpret_cast<F>(dlsym(handle, name)); }
};

// Sets (or with a null value, removes) an environment variable for one scope.
class EnvGuard {
public:
    EnvGuard(const char *name, const char *value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvGuard()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};
