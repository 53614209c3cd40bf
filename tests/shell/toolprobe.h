#pragma once
// A tool window with a file box, the file toolbar and one command button,
// on an emulated printer, for the platform's own tests.
#include "support/printercontext.h"

#include "shell/ui/toolhost.h"
#include "shell/ui/toolwindow.h"

#include <QLineEdit>
#include <QPushButton>

struct ProbeHost : ToolHost {
    int returned = 0;
    int quit = 0;
    int help = 0;
    void returnToMenu() override { ++returned; }
    void quitFromTool() override { ++quit; }
    void openHelp() override { ++help; }
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
};

class ProbeWindow : public ToolWindow {
public:
    ProbeWindow(AppContext &ctx, ToolHost &host, const QString &name = QStringLiteral("Probe"))
        : ToolWindow(ctx, host, name, QStringLiteral("Probe"))
    {
        box = new QLineEdit(block());
        box->setObjectName(QStringLiteral("Text1"));
        button = addCommand(1, QStringLiteral("実行"), 10, 100, 120);
        addFileToolbar(box, {[this] { ++opened; }, [this] { ++saved; }, [this] { ++printed; }, {}});
        load();
    }
    bool hasUnsavedEdits() const override { return unsaved; }
    using ToolWindow::backToMenu;

    QLineEdit *box = nullptr;
    QPushButton *button = nullptr;
    bool unsaved = false;
    int opened = 0;
    int saved = 0;
    int printed = 0;
};
