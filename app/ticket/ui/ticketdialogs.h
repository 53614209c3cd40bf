#pragma once
// The small windows of the ticket tool: the number dialog TqNum, the sub
// menu TqSub, the issue enable / disable window TqEn and the creation aid
// TqAux. All are modeless and centred on the screen.
#include <QPointer>
#include <QWidget>

#include <functional>

class AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TicketPrinterSettings;

// A modeless window centred on the screen that runs a hook when it closes.
class CentredWindow : public QWidget {
    Q_OBJECT
public:
    explicit CentredWindow(QWidget *parent);
    std::function<void()> onClose;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};

// TqNum: asks for a number in the variant of the tool state it opens in.
class TicketNumberDialog : public CentredWindow {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(int)> chosen;        // a valid number (SelectedNumber)
        std::function<void(int)> barcodeHeight; // 625: dots
    };
    TicketNumberDialog(AppContext &ctx, TicketPrinterSettings &settings, bool rawNumberModel, Hooks hooks,
                       QWidget *parent);

    qint16 state() const { return state_; }
    void ok();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    AppContext &ctx_;
    TicketPrinterSettings &settings_;
    bool raw_;
    qint16 state_;
    Hooks hooks_;
    QLineEdit *text1_;
    QSpinBox *upDown1_;
};

// TqEn: issue enable or disable.
class TicketEnableWindow : public CentredWindow {
    Q_OBJECT
public:
    TicketEnableWindow(AppContext &ctx, TicketPrinterSettings &settings, bool *issueEnable, QWidget *parent);

private:
    void ok();

    AppContext &ctx_;
    TicketPrinterSettings &settings_;
    bool *issueEnable_;
    QRadioButton *enable_;
    QRadioButton *disable_;
};

// TqSub: the printer settings, the enable window and the output monitor.
class TicketSubMenu : public CentredWindow {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> numberDialog; // the tool state is already set
        std::function<void()> enableWindow;
        std::function<void(QPushButton *)> outputMonitor;
    };
    TicketSubMenu(AppContext &ctx, Hooks hooks, QWidget *parent);

private:
    AppContext &ctx_;
};

// TqAux: one placeholder by way of the clipboard into the current line.
class TicketAuxWindow : public CentredWindow {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(const QString &)> insert; // into line CurrentLine
        std::function<void()> focusBack;
    };
    TicketAuxWindow(const QColor &background, Hooks hooks, QWidget *parent);

private:
    Hooks hooks_;
    bool chosen_ = false; // AuxChosen
};
