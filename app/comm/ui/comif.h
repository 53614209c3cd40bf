#pragma once
// The output-interface settings window "出力詳細": serial or parallel,
// port, parity, speed, the DTR and reply waits and the two intervals.
// Option buttons and interval boxes change the output settings in memory
// at once; "設　　定" applies the port and writes zentrix.ini;
// "キャンセル" only closes.
#include "comm/serialdevices.h"

#include <QColor>
#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

class AppContext;
class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QValidator;

class ComIF : public QDialog {
    Q_OBJECT
public:
    // Created on every open; reads the output settings afresh. The
    // background is the calling tool's output-button colour.
    ComIF(AppContext &ctx, const QColor &background, QWidget *parent = nullptr);

    // For the tools that only work over serial: serial chosen, the
    // parallel choice, the interval tabs and their summary lines hidden.
    void serialOnlyMode();

    // Opens the window for a tool window, or raises the one already open.
    static ComIF *openFor(AppContext &ctx, QWidget *caller, bool serialOnly, QPointer<ComIF> &open);
    // The colour of the caller's "出力I/F詳細" button (its own background
    // when it has none).
    static QColor callerColour(const QWidget *caller);

    // The device chooser of "割当..." (a list with free input); returns
    // nothing when cancelled. Tests replace it.
    using DeviceChooser =
        std::function<std::optional<QString>(QWidget *parent, int comPort, const serialdevices::MappingChoices &)>;
    DeviceChooser chooseDevice;
    // The serial devices present; tests replace it.
    std::function<QList<serialdevices::Device>()> listDevices = [] { return serialdevices::present(); };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildSummaryTab();
    QWidget *buildInterfaceTab();
    QWidget *buildProtocolTab();
    QWidget *buildSpeedTab();
    QWidget *buildIntervalTab(int firstOption, QLineEdit *&text, const QString &upDownName);
    void load();
    void centreOnScreen();

    void refreshSummary();
    void fillPortList();
    void onInterfaceOption(bool parallel);
    void onIntervalOption(bool numberInterval, bool set);
    void onIntervalText(bool numberInterval);
    void stepInterval(bool numberInterval, int delta);
    void onTabChanged(int index);
    void confirm();
    void showDevices();
    void mapDevice();

    QRadioButton *option(int n) const { return options_[n - 1]; }

    AppContext &ctx_;
    bool loading_ = false;
    QTabWidget *tabs_ = nullptr;
    QList<QRadioButton *> options_; // Option1..Option15
    QList<QLabel *> summary_;       // Label1..Label6
    QComboBox *combo1_ = nullptr;
    QPushButton *mapButton_ = nullptr;
    QValidator *hexValidator_ = nullptr; // parallel addresses typed into Combo1
    QLineEdit *text1_ = nullptr;
    QLineEdit *text2_ = nullptr;
    QLineEdit *text3_ = nullptr;
    QLineEdit *text4_ = nullptr;
    QWidget *upDown1_ = nullptr;
    QWidget *upDown2_ = nullptr;
    QLabel *label9_ = nullptr;
};
