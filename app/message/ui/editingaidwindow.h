#pragma once
// "QLM文章作成補助" (QlmAux): nine printer codes put on the clipboard by
// option buttons; OK inserts the clipboard text into the message window's
// content box.
#include <QWidget>

#include <functional>

class EditingAidWindow : public QWidget {
    Q_OBJECT
public:
    struct Code {
        const char *caption;
        const char *code;
    };
    // Option1..Option9 in order.
    static const Code kCodes[9];

    // `insert` replaces the content box's selection with the given text.
    EditingAidWindow(std::function<void(const QString &)> insert, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void accept();

    std::function<void(const QString &)> insert_;
};
