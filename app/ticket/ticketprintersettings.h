#pragma once
// The ticket printer's settings from the number dialog and the sub menu:
// delete a content, issue test, start number, next number, content to
// issue (tool states 615, 616, 621-623) and issue enable / disable (624).
// "K-07" brackets each of the first five with DC3 "Z1" NUL ... DC3 "Z0" NUL.
#include "comm/printeroperation.h"

#include <QtGlobal>

#include <functional>

class AppContext;

class TicketPrinterSettings {
public:
    TicketPrinterSettings(AppContext &ctx, std::function<bool()> rawNumberModel);

    OperationRunner &runner() { return runner_; }

    // The setting of the current tool state with the accepted number. True
    // when the printer confirmed it (its message told); a missing or wrong
    // reply tells 631, a cancelled line prompt nothing.
    bool run(int number);
    // Enable (true) or disable issuing; no bracket for either model.
    bool setIssueEnable(bool enable);

private:
    AppContext &ctx_;
    std::function<bool()> rawNumberModel_;
    OperationRunner runner_;
};
