#pragma once
// "ファイルの複写" (FileCopy_): copies one .msd file onto another. Opened
// modeless by the tool windows at the place they compute.
#include "shell/ui/msdfiledialog.h"

#include <QPointer>
#include <QWidget>

class AppContext;
class QLineEdit;
class ToolWindow;

class FileCopyWindow : public QWidget {
    Q_OBJECT
public:
    explicit FileCopyWindow(AppContext &ctx, QWidget *parent = nullptr);

    // The file dialog behind both "参照" buttons; tests replace it.
    MsdFileChooser chooseFile = chooseMsdFile;

    // Where a tool window puts it: left edge at the window's left edge,
    // top at the window's top + height - 3495 twips.
    static QPoint placeBelow(const ToolWindow *toolWindow);
    // Shows the tool's copy window there, created on first use with the
    // tool's file dialogs.
    static FileCopyWindow *showFor(ToolWindow *toolWindow, AppContext &ctx, QPointer<FileCopyWindow> &window);

private:
    void browse(QLineEdit *box);
    void runCopy();

    AppContext &ctx_;
    QLineEdit *destination_; // Text1
    QLineEdit *source_;      // Text2
};
