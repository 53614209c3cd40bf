#pragma once
// zentrix-printer-sim started on a pseudo-terminal linked at a path, for
// tests that reach a printer as a user does. The test target defines
// ZENTRIX_PRINTER_SIM (the program's path). Killed when it goes.
#include "comm/eventwait.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

class PrinterSimProcess {
public:
    PrinterSimProcess(const QString &persona, const QString &link, const QStringList &more = {}) : link_(link)
    {
        proc_.setProgram(QStringLiteral(ZENTRIX_PRINTER_SIM));
        proc_.setArguments(QStringList{QStringLiteral("--persona"), persona, QStringLiteral("--link"), link} + more);
        proc_.start();
        if (!proc_.waitForStarted(5000))
            return;
        for (int i = 0; i < 100 && !QFileInfo(link).exists(); ++i)
            eventwait::waitMs(50);
    }
    ~PrinterSimProcess()
    {
        proc_.terminate();
        if (!proc_.waitForFinished(3000))
            proc_.kill();
    }
    // Started and its link in place.
    bool ready() const { return proc_.state() == QProcess::Running && QFileInfo(link_).exists(); }
    const QString &link() const { return link_; }
    QProcess &process() { return proc_; }

private:
    QString link_;
    QProcess proc_;
};
