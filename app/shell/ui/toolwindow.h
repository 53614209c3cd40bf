#pragma once
// The common ground of every tool window: placement at the shared window
// position, the fixed 10000 x 8000 twips block centred when enlarged, the
// numbered command buttons, the file toolbar, busy mode, sub windows, back
// to menu and the close box. A tool derives from it, builds its controls
// in block() and calls load() at the end of its constructor.
//
// Every tool also gets, with at most a line or two of its own:
// - the status strip below the block (port, speed, "模擬", DSR/CTS) and
//   its progress: showProgress(n, total) ... endProgress();
// - a busy cursor during every reply wait (OutputChannel::ReplyWait);
// - "通信ログ" (the traffic window) on Ctrl+L and as the last toolbar button
//   (addFileToolbar adds it; another toolbar calls addTrafficButton);
// - Ctrl+O, Ctrl+S, Ctrl+P on the file toolbar, F1 for help;
// - the file box filled with the tool's last file and the file dialogs
//   started in its folder, across runs (addFileToolbar or setFileBox;
//   dialogs through pickFile);
// - the discard question: override hasUnsavedEdits(); back to menu and the
//   close box ask by themselves, an operation that replaces the window's
//   content asks confirmDiscard() first.
#include "msdfiledialog.h"

#include <QColor>
#include <QList>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppContext;
class FileToolbar;
class QAction;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolBar;
class StatusStrip;
class ToolHost;
class TrafficWindow;

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    // Which output interfaces the tool offers in the settings window.
    enum class Interfaces { SerialOnly, Both };

    ToolWindow(AppContext &ctx, ToolHost &host, const QString &objectName, const QString &title,
               Interfaces interfaces = Interfaces::SerialOnly, QWidget *parent = nullptr);
    ~ToolWindow() override;

    // The file dialogs of the window and its sub windows; tests replace it.
    MsdFileChooser chooseFile = chooseMsdFile;
    // A file dialog through chooseFile, started at current or else at the
    // tool's last file; the chosen file is remembered. Empty: cancelled.
    QString pickFile(MsdDialog kind, const QString &current);
    // Remembers path as the tool's last file (across runs).
    void rememberFile(const QString &path);

    // Unsaved edits the window would lose; the tool says (none by default).
    virtual bool hasUnsavedEdits() const { return false; }
    // With unsaved edits, asks whether to discard them (Yes/No, No the
    // default). True: go on.
    bool confirmDiscard();
    // The same for leaving the tool (close box, back to menu), asked once
    // however many times it is tried: a tool whose own leaving steps come
    // first asks it before them.
    bool confirmClose();

    StatusStrip *statusStrip() const { return strip_; }
    // Progress of long work in the strip: "n / total" and the bar (total 0:
    // a running bar without numbers); endProgress() hides both.
    void showProgress(int done, int total);
    void endProgress();

    // The traffic window "通信ログ" (Ctrl+L), opened or raised.
    TrafficWindow *showTrafficWindow();
    // Adds the "通信ログ" button at the end of a toolbar of the tool's own.
    QAction *addTrafficButton(QToolBar *bar);

    static constexpr int kBlinkMs = 500;

    // A button that blinks in busy mode: it alternates between on and off
    // (inverted: starts with on).
    struct Blink {
        QPushButton *button = nullptr;
        QColor on;
        QColor off = Qt::white;
        bool inverted = false;
    };
    // Busy mode: every command button and toolbar action disabled but the
    // ones named; the blinking ones blink every 500 ms until it ends.
    void setBusy(bool on, const QList<QPushButton *> &stillEnabled = {}, const QList<Blink> &blinking = {});
    bool isBusy() const { return busy_; }
    QTimer *blinkTimer() const { return blinkTimer_; }

    // The position of a sub window below this one: its left edge, and the
    // bottom less offsetTwips.
    QPoint below(int offsetTwips) const;

protected:
    AppContext &ctx() { return ctx_; }
    ToolHost &host() { return host_; }
    // The fixed block the controls live in (design size, px).
    QWidget *block() const { return block_; }

    // "CommandN" with its caption at x, y (px in the block), width w, 32 high.
    QPushButton *addCommand(int n, const QString &caption, int x, int y, int w);

    // The file toolbar "Toolbar1": open and save show the file dialog on
    // the file box first, then run the operation; help opens the tool's page.
    struct FileActions {
        std::function<void()> open;
        std::function<void()> save;
        std::function<void()> print;
        std::function<void()> remove;
    };
    FileToolbar *addFileToolbar(QLineEdit *fileBox, FileActions actions);
    // The box that names the tool's file: filled at load() with the last
    // file used when it is empty, remembered on leaving (addFileToolbar
    // sets it).
    void setFileBox(QLineEdit *fileBox) { fileBox_ = fileBox; }

    // Placement, the interface set to serial for a serial-only tool and
    // the port opened; call once the controls are built.
    void load();

    // Windows that close with the tool (editing aids, file copy, ...).
    void adopt(QWidget *subWindow);
    void closeSubWindows();

    void showSettings();
    void backToMenu();

    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void layoutBlock();
    void blink();
    void rememberFileBox();
    void setWaitCursor(bool on);

    AppContext &ctx_;
    ToolHost &host_;
    Interfaces interfaces_;
    bool loaded_ = false;
    bool busy_ = false;
    bool blinkPhase_ = false;
    QWidget *block_ = nullptr;
    FileToolbar *toolbar_ = nullptr;
    QList<QPushButton *> commands_;
    QList<Blink> blinking_;
    QPalette buttonPalette_;
    QTimer *blinkTimer_ = nullptr;
    QList<QPointer<QWidget>> subWindows_;
    StatusStrip *strip_ = nullptr;
    QLineEdit *fileBox_ = nullptr;
    QPointer<TrafficWindow> traffic_;
    bool waitCursor_ = false;
    bool closeConfirmed_ = false;
};
