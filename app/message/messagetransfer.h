#pragma once
// The printer operations of the message window. The printer protocol is
// not in this version yet: each operation tells the user so and returns
// false. The window already calls them and offers the reading and
// print-all modes through the two hooks below.
#include <functional>

class AppContext;
struct MessageForm;

class MessageTransfer {
public:
    explicit MessageTransfer(AppContext &ctx);

    // Set by the window: the reading mode (buttons disabled, "読み込み中" /
    // "読み込み中止", blinking) and the print-all mode ("全印字" blinking).
    std::function<void(bool on)> setReadingMode;
    std::function<void(bool on)> setPrintAllMode;

    bool readAll(MessageForm &form);     // プリンタから読込
    bool registerOne(MessageForm &form); // プリンタに登録
    bool deleteOne(MessageForm &form);   // プリンタから削除
    bool testPrint(MessageForm &form);   // 印字テスト
    bool clearAll();                     // 全消去
    bool registerAll(MessageForm &form); // 全登録
    bool printAll();                     // 全印字
    // "読み込み中止" while reading.
    void cancelRead();

private:
    bool notAvailable();

    AppContext &ctx_;
};
