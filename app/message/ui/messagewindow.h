#pragma once
// The message tool's window "WinQLM" (QLM): composes the numbered messages
// of the message printer, keeps them in a .msd file and hands the printer
// operations to MessageTransfer.
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "shell/ui/toolwindow.h"

#include <QPointer>

class EditingAidWindow;
class FileCopyWindow;
class MessageEditor;
class QPushButton;

class MessageWindow : public ToolWindow {
    Q_OBJECT
public:
    MessageWindow(AppContext &ctx, ToolHost &host, QWidget *parent = nullptr);
    ~MessageWindow() override;

    MessageTransfer &transfer() { return transfer_; }

    // The boxes and the save list as the operations see them.
    MessageForm form() const;
    void showForm(const MessageForm &form);

    // Reading from the printer: the buttons disabled except "プリンタに登録",
    // which cancels; "読み込み中" / "読み込み中止" blinking.
    void setReadingMode(bool on);
    // Printing all: the buttons disabled, "全印字" blinking.
    void setPrintAllMode(bool on);
    bool isReading() const { return reading_; }

    bool hasUnsavedEdits() const override;

private:
    void buildControls();
    void onBusyChanged(qint16 state, bool on);
    void onTransferProgress(const MessageForm &form);
    void onReplyFrame(const QByteArray &frame);

    void showEditingAid();
    void onRegisterClicked();
    void readAll();
    void registerAll();

    MessageTransfer transfer_;
    bool reading_ = false;

    // Text1, List1, Text2, Text3 and the file operations.
    MessageEditor *editor_ = nullptr;

    QPushButton *openButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *deleteFileButton_ = nullptr;
    QPushButton *readButton_ = nullptr;
    QPushButton *registerButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QPushButton *testPrintButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *menuButton_ = nullptr;
    QPushButton *settingsButton_ = nullptr;
    QPushButton *clearAllButton_ = nullptr;
    QPushButton *registerAllButton_ = nullptr;
    QPushButton *printAllButton_ = nullptr;
    QPushButton *browseButton_ = nullptr;
    QPushButton *aidButton_ = nullptr;

    QPointer<FileCopyWindow> fileCopy_;
    QPointer<EditingAidWindow> aid_;
};
