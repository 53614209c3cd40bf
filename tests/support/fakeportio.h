#pragma once
// A port library stand-in: records calls and the working folder at start.
#include "comm/portio.h"

#include <QDir>
#include <QMap>

class FakePortIo : public PortIo {
public:
    bool present = true;
    quint32 startResult = 0;
    quint32 stopResult = 0;
    int starts = 0;
    int stops = 0;
    QString folderAtStart;
    QString folderAtStop;
    QMap<quint16, quint8> registers;
    QList<QPair<quint16, quint8>> writes;

    bool available() override { return present; }
    quint32 start() override
    {
        ++starts;
        folderAtStart = QDir::currentPath();
        return startResult;
    }
    quint32 stop() override
    {
        ++stops;
        folderAtStop = QDir::currentPath();
        return stopResult;
    }
    quint8 inpB(quint16 port) override { return registers.value(port, 0xFF); }
    void outB(quint16 port, quint8 value) override
    {
        writes.append({port, value});
        registers[port] = value;
    }
};
