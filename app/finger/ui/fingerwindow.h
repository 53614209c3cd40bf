#pragma once
// The fingerprint manager "Finger" (Palmira): the printer's registrants in
// a list, the data file and single-user files, the eleven commands, the
// sub menu, and the status bar, progress bar and countdown the sequences
// report to. Serial only.
#include "finger/deletepassword.h"
#include "finger/fingerfiles.h"
#include "finger/fingerunit.h"
#include "finger/fingerusers.h"
#include "shell/ui/toolwindow.h"

#include <QPointer>

class FileCopyWindow;
class FingerSubMenu;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableWidget;

class FingerWindow : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int kHiddenRow = fingers::kRows + 1; // the grid row nobody sees
    static constexpr qint16 kIdle = 900;

    FingerWindow(AppContext &ctx, ToolHost &host, QWidget *parent = nullptr);
    ~FingerWindow() override;

    FingerUsers &users() { return users_; }
    FingerUnit &unit() { return unit_; }
    FingerFiles &files() { return files_; }
    const DeletePassword &password() const { return password_; }

    // Grid rows as the list counts them: 1..100, 101 the hidden one.
    int currentRow() const;
    // The selected run of rows, first and last.
    std::pair<int, int> selection() const;
    void selectRows(int first, int last);

    // The dialogs; tests replace them.
    std::function<std::optional<std::array<QByteArray, 2>>()> askIds;
    std::function<std::optional<int>()> askChoice;
    PasswordInput passwordInput;
    // Several files from the browse dialog; tests replace it.
    std::function<QStringList()> chooseFiles;

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void wireUnit();
    // Every command: the finger-check highlight goes, the sub menu closes,
    // the buttons are off while it runs, the current row goes back to the
    // hidden one and the state to idle at the end.
    void runCommand(const std::function<void()> &body, bool closeSubMenu = true);
    bool refuseUnlessLoaded();
    bool refuseWithoutUser(int row);
    void refuse(const QString &text, const QString &caption = {});
    void finish();

    void showRow(int row);
    void refreshGrid();
    void clearHighlight();
    void showHighlight(const FoundFinger &found);
    void showStatus(const QString &text);
    void showBar(int value, int maximum); // PBar1, beside the status strip's own
    void showCountdown(int seconds);

    void browse();
    void openFiles();
    void saveUsers();
    void readRegistrants();
    void readTemplates();
    void registerUser();
    void deleteUsers();
    void ticketTest();
    void openSubMenu();
    void openFileCopy();
    void returnToMenu();
    void closeReading();
    void openHelp();

    void runSubCommand(int command);
    void checkFinger();
    void printList();
    void reregister();
    void printVersion();
    void outputCheck();
    void setPassword();

    FingerUsers users_;
    bool openedDataFile_ = false; // the list shows FingerData.msd itself
    FingerFiles files_;
    FingerUnit unit_;
    DeletePassword password_;
    FoundFinger highlighted_;
    bool escaped_ = false; // Esc during the running command

    QLineEdit *text1_ = nullptr; // file box
    QTableWidget *grid_ = nullptr;
    QStatusBar *statusBar_ = nullptr;
    QLabel *panel1_ = nullptr;
    QProgressBar *pBar1_ = nullptr;
    QLabel *label2_ = nullptr;   // 残り　　　秒
    QLineEdit *text2_ = nullptr; // seconds left

    QPushButton *browseButton_ = nullptr;
    QPushButton *closeReadingButton_ = nullptr;
    QPushButton *openButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *readListButton_ = nullptr;
    QPushButton *readTemplatesButton_ = nullptr;
    QPushButton *registerButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QPushButton *ticketTestButton_ = nullptr;
    QPushButton *subMenuButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *settingsButton_ = nullptr;
    QPushButton *menuButton_ = nullptr;

    QPointer<FileCopyWindow> fileCopy_;
    QPointer<FingerSubMenu> subMenu_;
};
