#pragma once
// The program's view of the parallel port library: bound by name at run
// time, so that a machine without it simply has no parallel output.
#include <QString>
#include <QtGlobal>

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual bool available() = 0; // the library could be bound
    virtual quint32 start() = 0;  // IOSCM_Start; 0x01 when unavailable
    virtual quint32 stop() = 0;   // IOSCM_Stop
    virtual quint8 inpB(quint16 port) = 0;
    virtual void outB(quint16 port, quint8 value) = 0;
};

// dlopen/dlsym on first use: the program folder's libKZpio.so first, then
// the one beside the executable, then the system's library path.
// ZENTRIX_KZPIO names another file (or "none").
class LibraryPortIo : public PortIo {
public:
    explicit LibraryPortIo(QString programFolder) : folder_(std::move(programFolder)) {}
    ~LibraryPortIo() override;

    bool available() override;
    quint32 start() override;
    quint32 stop() override;
    quint8 inpB(quint16 port) override;
    void outB(quint16 port, quint8 value) override;

    // Where the library was found, for diagnostics.
    QString loadedFrom() const { return loadedFrom_; }

private:
    bool bind();

    QString folder_;
    QString loadedFrom_;
    bool tried_ = false;
    void *handle_ = nullptr;
    quint32 (*inpB_)(quint32) = nullptr;
    void (*outB_)(quint32, quint32) = nullptr;
    quint32 (*start_)() = nullptr;
    quint32 (*stop_)() = nullptr;
};
