#pragma once
// The message tool's window "WinQLM" (QLM): composes the numbered messages
// of the message printer, keeps them in a .msd file and hands the printer
// operations to MessageTransfer.
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "msdfiledialog.h"

#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppContext;
class ContentBoxConverter;
class EditingAidWindow;
class FileCopyWindow;
class FileToolbar;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class ToolHost;

class MessageWindow : public QWidget {
    Q_OBJECT
public:
    // What the window needs from the output channel and its settings
    // window; main() wires them. Unset hooks do nothing.
    struct ChannelHooks {
        // On load, after the interface was set to serial: OpenSerialPort.
        std::function<void()> openSerialPort;
        // "出力I/F詳細": the settings window with only the serial choice.
        std::function<void(QWidget *parent)> showSettings;
        // Closes the settings window if it is open.
        std::function<void()> closeSettings;
        // The close box: close the serial window and the port, then
        // RestoreSerialDefaults.
        std::function<void()> shutDownChannel;
    };

    MessageWindow(AppContext &ctx, ToolHost &host, ChannelHooks hooks = {}, QWidget *parent = nullptr);
    ~MessageWindow() override;

    // The file dialogs (also handed to the file copy window); tests
    // replace it.
    MsdFileChooser chooseFile = chooseMsdFile;

    MessageTransfer &transfer() { return transfer_; }

    // The boxes and the save list as the operations see them.
    MessageForm form() const;
    void showForm(const MessageForm &form);

    // Reading from the printer: Command1..14 disabled except "プリンタに登録",
    // which cancels; "読み込み中" / "読み込み中止" blinking.
    void setReadingMode(bool on);
    // Printing all: Command1..14 disabled, "全印字" blinking.
    void setPrintAllMode(bool on);
    bool isReading() const { return reading_; }

    static constexpr int kBlinkMs = 500;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void layoutBlock();
    void load();

    void browse();
    void openFile();
    void saveFile();
    void deleteFile();
    void printList();
    void showFileCopy();
    void showEditingAid();
    void showSettings();
    void backToMenu();
    void onNumberChanged();
    void onListClicked(QListWidgetItem *item);
    void onRegisterClicked();
    void blink();
    void setBusyControls(bool busy, QPushButton *stillEnabled);
    void closeSubWindows();

    AppContext &ctx_;
    ToolHost &host_;
    ChannelHooks hooks_;
    MessageFileOperations ops_;
    MessageTransfer transfer_;
    bool loaded_ = false;
    bool settingNumber_ = false;
    bool reading_ = false;
    bool printingAll_ = false;
    bool blinkPhase_ = false;

    QWidget *block_ = nullptr;
    FileToolbar *toolbar_ = nullptr;
    QLineEdit *text1_ = nullptr;
    QLineEdit *text2_ = nullptr;
    QPlainTextEdit *text3_ = nullptr;
    QListWidget *list1_ = nullptr;
    ContentBoxConverter *content_ = nullptr;
    QList<QPushButton *> commands_; // Command1..Command15 at index 0..14
    QPalette buttonPalette_;
    QTimer *timer1_ = nullptr;
    QPointer<FileCopyWindow> fileCopy_;
    QPointer<EditingAidWindow> aid_;
};
