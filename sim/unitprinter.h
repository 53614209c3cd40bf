#pragma once
// The unit-setting printer. For now it only reports its status records,
// among them "A", the data it printed; its commands are logged, not
// answered.
#include "statusprinter.h"

namespace sim {

class UnitPrinter : public StatusPrinter {
    Q_OBJECT
public:
    explicit UnitPrinter(QObject *parent = nullptr);

protected:
    // "A" carries printed values, each ended by CR, after a leading CR.
    QByteArray scheduledData(char code) override;

private:
    int round_ = 0;
};

} // namespace sim
