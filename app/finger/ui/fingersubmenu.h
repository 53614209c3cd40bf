#pragma once
// FingerSub ("Fingerサブメニュー"): seven further commands of the
// fingerprint manager. Modeless and only one at a time; the window runs
// each command and the sub menu's buttons are off meanwhile.
#include <QWidget>

#include <array>
#include <functional>

class QPushButton;

class FingerSubMenu : public QWidget {
    Q_OBJECT
public:
    enum Command { Check, ListPrint, Reregister, Version, OutputCheck, Password, Cancel, kCommands };

    explicit FingerSubMenu(QWidget *owner);

    // What each button does (Cancel closes without it).
    std::function<void(Command)> run;

    void setButtonsEnabled(bool on);
    QPushButton *button(Command c) const { return buttons_[size_t(c)]; }

private:
    std::array<QPushButton *, kCommands> buttons_{};
};
