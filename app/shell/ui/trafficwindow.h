#pragma once
// "通信ログ": the line traffic as it happens, every byte sent and received
// with its time to the millisecond, hex and readable text side by side,
// and the line events (open, DTR, DSR, CTS, ...). It reads the link's
// memory log from a timer, so a burst on the line never stalls it.
#include "comm/trafficlog.h"

#include <QWidget>

#include <functional>

class AppContext;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepaintMs = 100;
    static constexpr int kLinesPerRepaint = 2000;
    static constexpr int kLinesKept = 20000;

    TrafficWindow(AppContext &ctx, QWidget *parent = nullptr);

    // The save dialog; tests replace it. Empty: cancelled.
    std::function<QString(QWidget *parent)> chooseSavePath;

    bool paused() const { return paused_; }
    void setPaused(bool paused);
    void clear();
    // Writes what the window shows to the chosen file.
    void save();
    // Takes what is new from the log (the timer calls it).
    void pull();

private:
    AppContext &ctx_;
    TrafficFeed feed_;
    bool paused_ = false;
    QPlainTextEdit *text_ = nullptr;
    QPushButton *pause_ = nullptr;
    QPushButton *clear_ = nullptr;
    QPushButton *save_ = nullptr;
    QTimer *timer_ = nullptr;
};
