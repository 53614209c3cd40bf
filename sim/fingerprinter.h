#pragma once
// The printer with the fingerprint unit. For now it only reports the
// general status records; its commands are logged, not answered.
#include "statusprinter.h"

namespace sim {

class FingerPrinter : public StatusPrinter {
    Q_OBJECT
public:
    explicit FingerPrinter(QObject *parent = nullptr);
};

} // namespace sim
