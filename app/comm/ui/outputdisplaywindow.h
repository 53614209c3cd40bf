#pragma once
// "出力表示" (OutDsp): shows, line by line, the status records a printer
// sends on its own. Opened by the ticket tool (tool state 626), the
// unit-setting tool (872, 873) and the fingerprint manager (925) with that
// state already set; it only listens and sends nothing.
//
// Records are taken as they arrive and shown by the 10 ms display tick
// (Timer1), which runs only while there is something to show, so that a
// burst repaints once and an idle monitor costs nothing.
#include "comm/outputmonitor.h"

#include <QColor>
#include <QWidget>

class AppContext;
class QPlainTextEdit;
class QTimer;

class OutputDisplayWindow : public QWidget {
    Q_OBJECT
public:
    struct Options {
        QColor background; // that of the button that opened it; none: the default
        statusrecords::UnitModel unitModel = statusrecords::UnitModel::Vux; // printed-data layout
    };

    static constexpr int kTickMs = 10;

    OutputDisplayWindow(AppContext &ctx, const Options &options, QWidget *parent = nullptr);
    ~OutputDisplayWindow() override;

    // Modeless: a new window that deletes itself when closed, shown
    // centred. The tool state must already name the printer to watch.
    static OutputDisplayWindow *open(AppContext &ctx, const Options &options, QWidget *parent = nullptr);
    // Modal (fingerprint manager): shown centred, returns once closed.
    void showModal();

    // Every line on display, oldest first.
    QStringList lines() const;

signals:
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void received();
    void tick();
    void centre();

    AppContext &ctx_;
    Options options_;
    OutputMonitor monitor_;
    QPlainTextEdit *text_; // Text1
    QTimer *timer_;        // Timer1
};
