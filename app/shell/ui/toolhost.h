#pragma once
// What a tool window asks of the launcher.
class QWidget;

class ToolHost {
public:
    virtual ~ToolHost() = default;
    // "メニューへ戻る": the launcher shows itself again with tool state 0.
    virtual void returnToMenu() = 0;
    // The tool's close box: close the port, restore its defaults and end
    // the process at once, without the launcher's shut-down steps.
    virtual void quitFromTool() = 0;
    // The launcher's help routine for the current tool state.
    virtual void openHelp() = 0;
    // The one settings window, opened by whichever tool is in front: with
    // only the serial choice, or with both interfaces.
    virtual void openSettings(QWidget *caller, bool serialOnly) = 0;
    virtual void closeSettings() = 0;
};
