#pragma once
// The message tool's window "WinQLM" (QLM): composes the numbered messages
// of the message printer, keeps them in a .msd file and hands the printer
// operations to MessageTransfer.
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "shell/ui/toolwindow.h"

#include <QPointer>

class ContentBoxConverter;
class EditingAidWindow;
class FileCopyWindow;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
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

private:
    void buildControls();
    void onBusyChanged(qint16 state, bool on);

    void browse();
    void openFile();
    void saveFile();
    void deleteFile();
    void printList();
    void showEditingAid();
    void onNumberChanged();
    void onListClicked(QListWidgetItem *item);
    void onRegisterClicked();
    void readAll();
    void registerAll();

    MessageFileOperations ops_;
    MessageTransfer transfer_;
    bool settingNumber_ = false;
    bool reading_ = false;

    QLineEdit *text1_ = nullptr; // file name
    QLineEdit *text2_ = nullptr; // message number
    QPlainTextEdit *text3_ = nullptr;
    QListWidget *list1_ = nullptr;
    ContentBoxConverter *content_ = nullptr;

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
