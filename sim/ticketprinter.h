#pragma once
// The ticket printer. For now it only reports its status records (the
// ticket tool's output monitor); its commands are logged, not answered.
#include "statusprinter.h"

namespace sim {

class TicketPrinter : public StatusPrinter {
    Q_OBJECT
public:
    explicit TicketPrinter(QObject *parent = nullptr);

protected:
    // "N" (issue start) carries the ticket number, four digits, counting up.
    QByteArray scheduledData(char code) override;

private:
    int ticket_ = 0;
};

} // namespace sim
