#pragma once
// The strip at the foot of every tool window: the port in use and the
// device it maps to, speed and parity, "模擬" while the port is the
// emulator, DSR and CTS lamps, and the progress of long work ("n / total"
// and a bar). It refreshes itself from the context on a timer.
#include <QStatusBar>

class AppContext;
class QLabel;
class QProgressBar;
class QTimer;

class StatusStrip : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;
    static constexpr int kRefreshMs = 200;

    StatusStrip(AppContext &ctx, QWidget *parent = nullptr);

    // "n / total" and the bar; total 0 shows a running bar without a count
    // (work whose length nobody knows).
    void showProgress(int done, int total);
    void endProgress();
    bool progressShown() const;
    QString progressText() const;

    // Reads the port, settings and lines again (the timer calls it).
    void refresh();

private:
    void setLamp(QLabel *lamp, bool on);

    AppContext &ctx_;
    QLabel *port_;
    QLabel *line_;
    QLabel *demo_;
    QLabel *dsr_;
    QLabel *cts_;
    QLabel *count_;
    QProgressBar *bar_;
    QTimer *timer_;
    int mappedFor_ = -1; // the COM number devicePath_ was looked up for
    QString devicePath_;
};
