#pragma once
// Every message box of the program goes through a Prompter, so that all
// dialog paths can be driven by a script in tests.
#include <QString>

namespace Answers {
constexpr int None = 0;
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace Answers

// Message-box style: icon + buttons + default button, as stored in the
// catalogue.
namespace Styles {
constexpr int Ok = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int SecondDefault = 256;
constexpr int ThirdDefault = 512;

inline int buttons(int style) { return style & 0x0F; }
inline int icon(int style) { return style & 0xF0; }
inline int defaultButton(int style) { return (style & 0x300) >> 8; } // 0-based
} // namespace Styles

struct PromptRequest {
    int code = 0; // catalogue code, 0 for a free text
    QString title;
    QString text;
    int style = 0;
    bool centred = false; // move the pointer to the screen centre first
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the box and returns the answer (1 OK, 2 Cancel, 4 Retry, 6 Yes, 7 No).
    virtual int ask(const PromptRequest &request) = 0;
};
