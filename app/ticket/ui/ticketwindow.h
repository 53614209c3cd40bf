#pragma once
// The ticket tool's window TQ ("WinTQ"): the 16 content lines with their
// magnifications, the ticket file operations, the printer settings by way
// of the number dialog and the sub menu, the creation aid.
#include "comm/printeroperation.h"
#include "shell/ui/toolwindow.h"
#include "ticket/ticketfileoperations.h"
#include "ticket/ticketprintersettings.h"
#include "ticket/tickettransfer.h"

#include <QPointer>

#include <array>

class FileCopyWindow;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TicketAuxWindow;
class TicketNumberDialog;
class TicketSubMenu;

class TicketWindow : public ToolWindow {
    Q_OBJECT
public:
    TicketWindow(AppContext &ctx, ToolHost &host, QWidget *parent = nullptr);
    ~TicketWindow() override;

    bool rawNumberModel() const;
    int barcodeHeight() const { return barcodeHeight_; } // BarcodeHeight
    bool issueEnable() const { return issueEnable_; }    // IssueEnable
    TicketPrinterSettings &printerSettings() { return settings_; }

    // What the window shows, and putting a form back into it.
    TicketForm form() const;
    void showForm(const TicketForm &f);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The lines differ from what was last opened, saved or read.
    bool hasUnsavedEdits() const override;

private:
    void buildControls();
    void browse();
    void openFile();
    void saveFile();
    void deleteFile();
    void printList();
    void readFromPrinter();
    void registerToPrinter();
    // The focus on the line (and caret) a refused content names.
    void focusRefused(const ticket::ContentCheck &refused);
    void showAid();
    void showSubMenu();
    // TqNum in the current tool state; 615/616 run from it.
    TicketNumberDialog *showNumberDialog();
    void numberDialogFromWindow(qint16 state);
    // The file operations' number: the dialog, and the wait until it closes.
    std::optional<int> chooseNumber();
    void lineChanged(int line);
    void lineEnter(int line);
    void setLineText(int line, const QString &text, int caret);

    TicketFileOperations fileOps_;
    TicketPrinterSettings settings_;
    OperationRunner transferRunner_; // register and read
    TicketTransfer transfer_;
    qint16 selectedNumber_ = 0; // SelectedNumber: 100 while the dialog is open
    int barcodeHeight_ = 0;
    TicketContent saved_; // the lines as last opened, saved or read
    bool issueEnable_ = false;
    int currentLine_ = 1; // CurrentLine
    bool auxAllowed_ = false;
    bool settingLine_ = false;
    int headerNumber_ = 0;

    QLineEdit *text1_ = nullptr;
    QComboBox *combo1_ = nullptr;
    QLabel *label4_ = nullptr;
    std::array<QLineEdit *, 16> lines_{};     // Text3(1..16)
    std::array<QLineEdit *, 16> magnif_{};    // Text4(1..16)
    std::array<QString, 16> lineBefore_{};    // each line after its last conversion
    QPushButton *browseButton_ = nullptr;     // Command2
    QPushButton *aidButton_ = nullptr;        // Command3
    QPushButton *openButton_ = nullptr;       // Command1(0)
    QPushButton *saveButton_ = nullptr;       // Command1(1)
    QPushButton *deleteFileButton_ = nullptr; // Command1(2)
    QPushButton *readButton_ = nullptr;       // Command1(3)
    QPushButton *registerButton_ = nullptr;   // Command1(4)
    QPushButton *deleteButton_ = nullptr;     // Command1(5)
    QPushButton *issueTestButton_ = nullptr;  // Command1(6)
    QPushButton *subMenuButton_ = nullptr;    // Command1(7)
    QPushButton *copyButton_ = nullptr;       // Command1(8)
    QPushButton *settingsButton_ = nullptr;   // Command1(9)
    QPushButton *menuButton_ = nullptr;       // Command1(10)

    QPointer<FileCopyWindow> fileCopy_;
    QPointer<TicketNumberDialog> number_;
    QPointer<TicketSubMenu> subMenu_;
    QPointer<TicketAuxWindow> aid_;
};
