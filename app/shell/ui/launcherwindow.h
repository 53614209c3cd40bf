#pragma once
// The launcher "Main": seven panels that open the tools, the viewer, the
// help and the exit.
#include "comm/toolstates.h"
#include "toolhost.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppContext;
class ComIF;
class QFrame;
class QLabel;
class QPushButton;
class QProcess;

using ToolFactory = std::function<QWidget *(AppContext &, ToolHost &)>;

class LauncherWindow : public QWidget, public ToolHost {
    Q_OBJECT
public:
    explicit LauncherWindow(AppContext &ctx, QWidget *parent = nullptr);
    ~LauncherWindow() override;

    void registerTool(Tool tool, ToolFactory factory);
    // The usual factory: the window class built on the context and host.
    template <class Window> void registerTool(Tool tool)
    {
        registerTool(tool, [](AppContext &c, ToolHost &h) -> QWidget * { return new Window(c, h); });
    }

    // Start-up steps 1-9; call once before show().
    void load(const QString &commandLine);

    void openTool(Tool tool);
    void startViewer();
    void openHelp() override;
    void returnToMenu() override;
    void quitFromTool() override;
    void openSettings(QWidget *caller, bool serialOnly) override;
    void closeSettings() override;

    QWidget *currentTool() const { return tool_; }

    // Called at the last step of shut-down; defaults to quitting the
    // application. Tests replace it.
    std::function<void()> endProcess;
    // Opens a help page (the desktop's viewer by default); tests replace it.
    std::function<void(const QString &path)> openPage;
    // Appended to the launcher's caption and to every tool window's, e.g.
    // to show that the printer is emulated; none by default.
    std::function<QString()> titleMark;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildPanels();
    void layoutBlock();
    void shutDown();
    void rememberToolPosition();
    void showTitle();

    AppContext &ctx_;
    bool loaded_ = false;
    bool shuttingDown_ = false;
    QMap<Tool, ToolFactory> factories_;
    QPointer<QWidget> tool_;
    QPointer<QProcess> viewer_;
    QPointer<ComIF> settings_; // at most one, whichever tool opened it
    QLabel *image1_ = nullptr;
    QLabel *label1_ = nullptr;
    QPushButton *command1_ = nullptr;
    QList<QFrame *> frames_; // Frame1..Frame7
    QList<QLabel *> labels_; // Label2..Label8
    QList<QLabel *> pictures_;
};
