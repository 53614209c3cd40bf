#pragma once
// The print tester's window "Kestrel" (Tester): the message boxes of the
// message tool, the printer model and line-end boxes, the output mode and
// list, the run count, start and stop, and the printer's lines and last
// received bytes polled every 10 ms. The runs themselves are TesterRun's.
#include "shell/ui/toolwindow.h"
#include "tester/linestatus.h"
#include "tester/testerrun.h"

#include <QPointer>

class FileCopyWindow;
class MessageEditor;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;

class TesterWindow : public ToolWindow {
    Q_OBJECT
public:
    TesterWindow(AppContext &ctx, ToolHost &host, QWidget *parent = nullptr);
    ~TesterWindow() override;

    static constexpr int kStatusPollMs = 10;
    // The resting colour of "印字開始"; it blinks between this and white.
    static const QColor kStartColour;

    TesterRun &run() { return run_; }
    // What a run reads from the boxes now.
    TesterForm testerForm();

    bool hasUnsavedEdits() const override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildRunControls(QWidget *b);
    void buildStatusControls(QWidget *b);

    void setOutputMode(int mode);
    void setContinuous(bool continuous);
    void stepCount(int delta);
    void addNumber();
    void showListContents();
    void startRun();
    void setRunningMode(bool on);
    void showProgress(const RunProgress &p);
    void pollLineStatus();
    void showLabel(QLabel *label, const linestatus::Label &state);
    void paintStartButton();
    QString interfaceSummary();

    TesterRun run_;
    // Text1, List1, Text2, Text3 and the file operations.
    MessageEditor *editor_ = nullptr;
    bool closeRequested_ = false;

    QComboBox *combo1_ = nullptr; // 機種選択
    QComboBox *combo2_ = nullptr; // 印字改行
    QRadioButton *option1_ = nullptr;
    QRadioButton *option2_ = nullptr;
    QRadioButton *option3_ = nullptr;
    QRadioButton *option4_ = nullptr; // 連続
    QRadioButton *option5_ = nullptr; // 指定
    QLineEdit *text4_ = nullptr;      // output list
    QLineEdit *text5_ = nullptr;      // count
    QWidget *upDown1_ = nullptr;
    QLabel *syntaxHelp_ = nullptr;
    QPlainTextEdit *text6_ = nullptr; // received data
    QLabel *ctsLabel_ = nullptr;
    QLabel *dsrLabel_ = nullptr;
    QLabel *selectLabel_ = nullptr;
    QLabel *busyLabel_ = nullptr;
    QLabel *paperEndLabel_ = nullptr;
    QLabel *errorLabel_ = nullptr;
    QStatusBar *statusBar1_ = nullptr;
    QLabel *panel1_ = nullptr;
    QLabel *panel2_ = nullptr; // run counter
    QProgressBar *pBar1_ = nullptr;
    QTimer *statusTimer_ = nullptr;

    QPushButton *openButton_ = nullptr;
    QPushButton *saveButton_ = nullptr;
    QPushButton *deleteFileButton_ = nullptr;
    QPushButton *startButton_ = nullptr;
    QPushButton *stopButton_ = nullptr;
    QPushButton *settingsButton_ = nullptr;
    QPushButton *copyButton_ = nullptr;
    QPushButton *menuButton_ = nullptr;
    QPushButton *browseButton_ = nullptr;
    QPushButton *clearListButton_ = nullptr;
    QPushButton *addNumberButton_ = nullptr;
    QPushButton *showListButton_ = nullptr;

    QPointer<FileCopyWindow> fileCopy_;
};
