#pragma once
// The printer operations of the unit-setting window, one item at a time on
// the shared serial channel (frames in unitwire.h):
//
//   read       13 L c 00  ->  13 x c value 00  ->  13 l c 0 00 (acknowledge)
//   register   13 L c, DSR, value 00           ->  13 l c 0 00
//   test print 13 43 00                        ->  13 63 00 (first 3 bytes, 10 s)
//   reset      13 41 00                        ->  13 61 00 (5 s)
//
// The model and channel come from the selection dialog, which the window
// supplies as a callback, so the exchange runs without any window.
#include "comm/printeroperation.h"
#include "unitsettings.h"
#include "unitwire.h"

#include <functional>
#include <optional>

class AppContext;

namespace unit {

struct Chosen {
    Model model = Model::None;
    int number = 0; // set 1..25 or channel 1..8 (1 on a UX-350Q)
};

class UnitTransfer {
public:
    explicit UnitTransfer(AppContext &ctx);

    OperationRunner &runner() { return runner_; }
    bool busy() const { return runner_.busy(); }

    // Asks for model and channel in the current tool state; nothing when
    // cancelled. Set by the window.
    std::function<std::optional<Chosen>()> choose;
    // Shows the settings while a read fills them in.
    std::function<void(const UnitSettings &)> showProgress;

    // プリンタから読込: items read before a failure stay in s.
    bool read(UnitSettings &s);
    // プリンタに登録: a check fault goes to *fault (its message shown).
    bool registerChannel(UnitSettings &s, Fault *fault = nullptr);
    // 印字テスト.
    bool testPrint();
    // 積算値リセット of the sub menu (asks first).
    bool resetTotals();

    // The wait for one data frame: ReplyWait when above 0, else 10 s.
    int readWaitMs() const;

private:
    bool readItem(const ItemRef &ref, UnitSettings &s);
    bool registerStep(const RegisterStep &step);

    AppContext &ctx_;
    OperationRunner runner_;
};

} // namespace unit
