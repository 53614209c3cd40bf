#pragma once
// The common ground of every tool window: placement at the shared window
// position, the fixed 10000 x 8000 twips block centred when enlarged, the
// numbered command buttons, the file toolbar, busy mode, sub windows, back
// to menu and the close box. A tool derives from it, builds its controls
// in block() and calls load() at the end of its constructor.
#include "msdfiledialog.h"

#include <QColor>
#include <QList>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppContext;
class FileToolbar;
class QLineEdit;
class QPushButton;
class QTimer;
class ToolHost;

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
};
