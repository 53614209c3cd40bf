#pragma once
// The unit-setting window "UX" (WinUX): the eight channels of a VUX-350Q
// and the two of a UX-350Q on one window, setting sets in a .msd file, and
// the printer's read, register, test print and sub menu. Serial only.
#include "shell/ui/toolwindow.h"
#include "unit/unitfileoperations.h"
#include "unit/unittransfer.h"

#include <QPointer>

#include <array>

class FileCopyWindow;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace unit {

class UxSubMenu;

class UnitWindow : public ToolWindow {
    Q_OBJECT
public:
    UnitWindow(AppContext &ctx, ToolHost &host, QWidget *parent = nullptr);
    ~UnitWindow() override;

    // What the boxes hold, and putting settings into them.
    UnitForm form() const;
    void showForm(const UnitForm &form);

    UnitTransfer &transfer() { return transfer_; }
    // The selection dialog; tests replace it.
    std::function<std::optional<Chosen>()> choose;

    // The boxes differ from what was last opened, saved or read.
    bool hasUnsavedEdits() const override;

private:
    void buildControls();
    void browse();
    // Asks in the operation's tool state; the state is idle again after.
    std::optional<Chosen> chooseIn(qint16 state);
    void openFile();
    void saveFile();
    void deleteFile();
    void printList();
    void readPrinter();
    void registerPrinter();
    void openSubMenu();
    void focusFault(Model model, const Fault &fault);
    void onNameEdited(int index);

    UnitFileOperations ops_;
    UnitTransfer transfer_;
    bool loading_ = false;
    UnitSettings clean_;
    // Items of the read in progress, and how many are in.
    int readTotal_ = 0;
    int readDone_ = 0;

    QLineEdit *text1_ = nullptr;
    std::array<QLineEdit *, kVuxChannels> text3_{};     // names
    std::array<QComboBox *, kVuxChannels> combo1_{};    // decimal points
    std::array<QLineEdit *, kVuxChannels> text4_{};     // units
    std::array<QLineEdit *, kVuxChannels> text5_{};     // rates
    std::array<QLineEdit *, kCompareChannels> text6_{}; // comparison values
    std::array<QString, kVuxChannels> previousName_;
    std::array<QComboBox *, kUxChannels> combo2_{}; // UX decimal points 1, 2
    QLineEdit *text7_ = nullptr;                    // UX unit
    QComboBox *combo3_ = nullptr;                   // indicator

    QPushButton *browseButton_ = nullptr;
    QPushButton *openButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QPushButton *readButton_ = nullptr;
    QPushButton *registerButton_ = nullptr;
    QPushButton *testPrintButton_ = nullptr;
    QPushButton *subMenuButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *settingsButton_ = nullptr;
    QPushButton *menuButton_ = nullptr;

    QPointer<FileCopyWindow> fileCopy_;
    QPointer<UxSubMenu> subMenu_;
};

} // namespace unit
