#pragma once
// Every message box of the program goes through a Prompter, so that all
// dialog paths can be driven by a script in tests.
#include <QString>

// What the user answered.
enum class Answer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

enum class Buttons { Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class Icon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };

// Icon, buttons and default button of a box. code() is the number the
// catalogue's styles are written in (icon + buttons + 256 x default).
struct MessageStyle {
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    int defaultButton = 0; // 0-based

    constexpr MessageStyle() = default;
    constexpr MessageStyle(Icon i, Buttons b = Buttons::Ok, int def = 0) : icon(i), buttons(b), defaultButton(def) {}

    static constexpr MessageStyle fromCode(int code)
    {
        return MessageStyle(Icon(code & 0xF0), Buttons(code & 0x0F), (code & 0x300) >> 8);
    }
    constexpr int code() const { return int(icon) | int(buttons) | (defaultButton << 8); }

    friend constexpr bool operator==(MessageStyle a, MessageStyle b) { return a.code() == b.code(); }
    friend constexpr bool operator==(MessageStyle a, int code) { return a.code() == code; }
};

struct PromptRequest {
    int code = 0; // catalogue code, 0 for a free text
    QString title;
    QString text;
    MessageStyle style;
    bool centred = false; // move the pointer to the screen centre first
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows the box and returns the answer.
    virtual Answer ask(const PromptRequest &request) = 0;
};
