#include "testerwindow.h"

#include "comm/appcontext.h"
#include "message/ui/contentboxconverter.h"
#include "message/ui/filecopywindow.h"
#include "message/ui/messageeditor.h"
#include "tester/outputlist.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kStartCaption = QStringLiteral("印字開始");
const QString kRunningCaption = QStringLiteral("印字処理中");
const QString kSyntaxHelp = QStringLiteral("1,3,6のようにカンマで区切って\n"
                                           "指定するか、4-8のように範囲を\n"
                                           "指定して下さい。\n"
                                           "例　1,15,8,25-30,19,48,48,25");
constexpr int kMaxCount = 32767;

QLabel *addLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    return l;
}

QRadioButton *addOption(QWidget *parent, int n, const QString &caption, const QRect &geometry)
{
    auto *o = new QRadioButton(caption, parent);
    o->setObjectName(QStringLiteral("Option%1").arg(n));
    o->setGeometry(geometry);
    return o;
}

// The count box's up/down control: two small arrow buttons, "Up" and "Down".
QWidget *addUpDown(QWidget *parent, const QRect &geometry)
{
    auto *w = new QWidget(parent);
    w->setObjectName(QStringLiteral("UpDown1"));
    w->setGeometry(geometry);
    auto *v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    for (const auto &[arrow, name] : {std::pair{Qt::UpArrow, "Up"}, std::pair{Qt::DownArrow, "Down"}}) {
        auto *b = new QToolButton(w);
        b->setObjectName(QLatin1String(name));
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        v->addWidget(b);
    }
    return w;
}

} // namespace

const QColor TesterWindow::kStartColour(255, 192, 128);

TesterWindow::TesterWindow(AppContext &ctx, ToolHost &host, QWidget *parent)
    : ToolWindow(ctx, host, QStringLiteral("Tester"), QStringLiteral("Kestrel"), Interfaces::Both, parent), run_(ctx)
{
    run_.setRunningMode = [this](bool on) { setRunningMode(on); };
    run_.showProgress = [this](const RunProgress &p) { showProgress(p); };
    run_.countText = [this] { return text5_->text(); };
    buildControls();
    load();
    run_.enterTool();

    statusTimer_ = new QTimer(this);
    statusTimer_->setObjectName(QStringLiteral("LineStatusTimer"));
    statusTimer_->setInterval(kStatusPollMs);
    connect(statusTimer_, &QTimer::timeout, this, &TesterWindow::pollLineStatus);
    pollLineStatus();
    statusTimer_->start();
}

TesterWindow::~TesterWindow() = default;

void TesterWindow::buildControls()
{
    QWidget *b = block();
    addLabel(b, QStringLiteral("Label1"), QStringLiteral("ファイル名"), {14, 46, 76, 24});
    addLabel(b, QStringLiteral("Label2"), QStringLiteral("保存リスト"), {14, 78, 96, 22});
    addLabel(b, QStringLiteral("Label3"), QStringLiteral("選択No."), {120, 78, 56, 24});
    addLabel(b, QStringLiteral("Label4"), QStringLiteral("印字内容"), {120, 106, 64, 22});
    addLabel(b, QStringLiteral("Label5"), QStringLiteral("(スペースは ^ で表示されます)"), {186, 106, 240, 22});

    editor_ = new MessageEditor(ctx(), b);
    editor_->chooseFile = [this](MsdDialog kind, const QString &current) { return pickFile(kind, current); };
    editor_->confirmDiscard = [this] { return confirmDiscard(); };
    editor_->fileBox()->setGeometry(90, 46, 470, 24);
    editor_->saveList()->setGeometry(14, 100, 96, 248);
    editor_->numberBox()->setGeometry(178, 78, 56, 24);
    editor_->contentBox()->setGeometry(120, 128, 302, 150);

    buildRunControls(b);
    buildStatusControls(b);

    browseButton_ = addCommand(10, QStringLiteral("参照"), 566, 44, 86);
    clearListButton_ = addCommand(11, QStringLiteral("リストクリア"), 120, 316, 98);
    addNumberButton_ = addCommand(12, QStringLiteral("No.を追加"), 222, 316, 98);
    showListButton_ = addCommand(13, QStringLiteral("内容を表示"), 324, 316, 98);
    openButton_ = addCommand(1, QStringLiteral("ファイルを開く"), 14, 436, 122);
    saveButton_ = addCommand(2, QStringLiteral("ファイルに保存"), 142, 436, 122);
    deleteFileButton_ = addCommand(3, QStringLiteral("ファイルから削除"), 270, 436, 122);
    copyButton_ = addCommand(7, QStringLiteral("ファイルの複写"), 398, 436, 122);
    settingsButton_ = addCommand(6, QStringLiteral("出力I/F詳細"), 526, 436, 126);
    startButton_ = addCommand(4, kStartCaption, 14, 472, 186);
    stopButton_ = addCommand(5, QStringLiteral("印字停止"), 206, 472, 186);
    menuButton_ = addCommand(9, QStringLiteral("メニューへ戻る"), 526, 472, 126);
    startButton_->setAutoFillBackground(true);
    paintStartButton();

    connect(browseButton_, &QPushButton::clicked, editor_, &MessageEditor::browse);
    connect(openButton_, &QPushButton::clicked, editor_, &MessageEditor::openFile);
    connect(saveButton_, &QPushButton::clicked, editor_, &MessageEditor::saveFile);
    connect(deleteFileButton_, &QPushButton::clicked, editor_, &MessageEditor::deleteFile);
    connect(clearListButton_, &QPushButton::clicked, this, [this] {
        if (ctx().state.outputMode == OutputModes::List)
            text4_->clear();
    });
    connect(addNumberButton_, &QPushButton::clicked, this, &TesterWindow::addNumber);
    connect(showListButton_, &QPushButton::clicked, this, &TesterWindow::showListContents);
    connect(startButton_, &QPushButton::clicked, this, &TesterWindow::startRun);
    connect(stopButton_, &QPushButton::clicked, this, [this] { run_.stop(); });
    connect(settingsButton_, &QPushButton::clicked, this, &TesterWindow::showSettings);
    connect(copyButton_, &QPushButton::clicked, this,
            [this] { adopt(FileCopyWindow::showFor(this, ctx(), fileCopy_)); });
    connect(menuButton_, &QPushButton::clicked, this, [this] {
        if (!confirmClose())
            return;
        run_.backToMenu();
        backToMenu();
    });

    addFileToolbar(editor_->fileBox(), {[this] { editor_->openFile(); }, [this] { editor_->saveFile(); },
                                        [this] { editor_->printList(); }, [this] { editor_->deleteFile(); }});
}

void TesterWindow::buildRunControls(QWidget *b)
{
    AppState &st = ctx().state;
    addLabel(b, QStringLiteral("Label6"), QStringLiteral("機種選択"), {432, 78, 64, 24});
    combo1_ = new QComboBox(b);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setGeometry(498, 78, 154, 24);
    for (const PrinterModel &m : printermodels::all())
        combo1_->addItem(m.name);
    combo1_->setCurrentIndex(-1);
    combo1_->setMaxVisibleItems(int(printermodels::all().size()));

    addLabel(b, QStringLiteral("Label7"), QStringLiteral("印字改行"), {432, 108, 64, 24});
    combo2_ = new QComboBox(b);
    combo2_->setObjectName(QStringLiteral("Combo2"));
    combo2_->setGeometry(498, 108, 90, 24);
    combo2_->addItems(kLineEndNames);
    combo2_->setCurrentIndex(LineEnds::Cr);
    for (QComboBox *c : {combo1_, combo2_})
        connect(c, &QComboBox::activated, this, [this] { editor_->contentBox()->setFocus(); });

    auto *frame1 = new QGroupBox(QStringLiteral("出力"), b);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(432, 138, 220, 92);
    option1_ = addOption(frame1, 1, QStringLiteral("選択No.のみ"), {12, 20, 200, 22});
    option2_ = addOption(frame1, 2, QStringLiteral("全て"), {12, 42, 200, 22});
    option3_ = addOption(frame1, 3, QStringLiteral("出力リスト使用"), {12, 64, 200, 22});

    auto *frame2 = new QGroupBox(QStringLiteral("出力回数"), b);
    frame2->setObjectName(QStringLiteral("Frame2"));
    frame2->setGeometry(432, 236, 220, 54);
    option4_ = addOption(frame2, 4, QStringLiteral("連続"), {12, 22, 62, 24});
    option5_ = addOption(frame2, 5, QStringLiteral("指定"), {78, 22, 58, 24});
    text5_ = new QLineEdit(frame2);
    text5_->setObjectName(QStringLiteral("Text5"));
    text5_->setGeometry(138, 22, 54, 24);
    text5_->setAlignment(Qt::AlignRight);
    text5_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), text5_));
    upDown1_ = addUpDown(frame2, {194, 21, 18, 26});

    addLabel(b, QStringLiteral("Label8"), QStringLiteral("出力リスト"), {120, 288, 70, 24});
    text4_ = new QLineEdit(b);
    text4_->setObjectName(QStringLiteral("Text4"));
    text4_->setGeometry(190, 288, 232, 24);
    syntaxHelp_ = addLabel(b, QStringLiteral("Label9"), kSyntaxHelp, {436, 294, 216, 66});
    syntaxHelp_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The modes as the options choose them, then the state kept from the
    // last opening.
    connect(option1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setOutputMode(OutputModes::Selected);
    });
    connect(option2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setOutputMode(OutputModes::All);
    });
    connect(option3_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setOutputMode(OutputModes::List);
    });
    connect(option4_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setContinuous(true);
    });
    connect(option5_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setContinuous(false);
    });
    connect(text5_, &QLineEdit::textChanged, this,
            [this](const QString &text) { ctx().state.runCount = TesterRun::runCountFromText(text); });
    connect(upDown1_->findChild<QToolButton *>(QStringLiteral("Up")), &QToolButton::clicked, this,
            [this] { stepCount(1); });
    connect(upDown1_->findChild<QToolButton *>(QStringLiteral("Down")), &QToolButton::clicked, this,
            [this] { stepCount(-1); });

    const int mode = qBound(0, int(st.outputMode), 2);
    QRadioButton *modeOption = mode == OutputModes::List ? option3_ : mode == OutputModes::All ? option2_ : option1_;
    modeOption->setChecked(true);
    setOutputMode(mode);
    option5_->setChecked(true);
    setContinuous(false);
}

void TesterWindow::buildStatusControls(QWidget *b)
{
    const auto statusLabel = [b](const QString &name, int x) {
        QLabel *l = addLabel(b, name, QString(), {x, 358, 100, 24});
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAutoFillBackground(true);
        return l;
    };
    ctsLabel_ = statusLabel(QStringLiteral("LabelCTS"), 14);
    dsrLabel_ = statusLabel(QStringLiteral("LabelDSR"), 120);
    selectLabel_ = statusLabel(QStringLiteral("LabelSELECT"), 234);
    busyLabel_ = statusLabel(QStringLiteral("LabelBUSY"), 340);
    paperEndLabel_ = statusLabel(QStringLiteral("LabelPE"), 446);
    errorLabel_ = statusLabel(QStringLiteral("LabelERROR"), 552);

    text6_ = new QPlainTextEdit(b);
    text6_->setObjectName(QStringLiteral("Text6"));
    text6_->setGeometry(14, 388, 638, 42);
    text6_->setReadOnly(true);
    text6_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text6_->setWordWrapMode(QTextOption::WrapAnywhere);
    text6_->setPlainText(linestatus::kReceivedPrefix);

    statusBar1_ = new QStatusBar(b);
    statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar1_->setGeometry(0, 509, 666, 24);
    statusBar1_->setSizeGripEnabled(false);
    statusBar1_->setContentsMargins(4, 0, 6, 2);
    panel1_ = new QLabel(statusBar1_);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel2_ = new QLabel(statusBar1_);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    panel2_->setMinimumWidth(80);
    panel2_->setAlignment(Qt::AlignCenter);
    pBar1_ = new QProgressBar(statusBar1_);
    pBar1_->setObjectName(QStringLiteral("PBar1"));
    pBar1_->setFixedWidth(240);
    statusBar1_->addWidget(panel1_, 1);
    statusBar1_->addWidget(panel2_);
    statusBar1_->addPermanentWidget(pBar1_);
    pBar1_->hide();
    // Without a start-up argument there is no counter to show.
    statusBar1_->setVisible(run_.progressShown());
    pBar1_->setEnabled(run_.progressShown());
}

TesterForm TesterWindow::testerForm()
{
    TesterForm f;
    f.fileName = editor_->fileBox()->text();
    f.content = editor_->content().text();
    f.model.model = combo1_->currentIndex() < 0 ? QString() : combo1_->currentText();
    f.model.lineEnd = qMax(0, combo2_->currentIndex());
    f.outputMode = ctx().state.outputMode;
    f.outputList = text4_->text();
    f.continuous = option4_->isChecked();
    f.countText = text5_->text();
    return f;
}

// ---- the output and count boxes --------------------------------------------

void TesterWindow::setOutputMode(int mode)
{
    ctx().state.outputMode = qint16(mode);
    const bool list = mode == OutputModes::List;
    syntaxHelp_->setVisible(list);
    text4_->setEnabled(list);
    if (!list)
        text4_->clear();
}

void TesterWindow::setContinuous(bool continuous)
{
    if (continuous)
        text5_->setText(QStringLiteral(" "));
    text5_->setEnabled(!continuous);
    upDown1_->setEnabled(!continuous);
    if (!continuous)
        text5_->setText(QString::number(ctx().state.runCount));
}

void TesterWindow::stepCount(int delta)
{
    const int value = qBound(1, TesterRun::countValue(text5_->text()) + delta, kMaxCount);
    text5_->setText(QString::number(value));
}

void TesterWindow::addNumber()
{
    if (ctx().state.outputMode != OutputModes::List)
        return;
    text4_->setText(outputlist::appendNumber(text4_->text(), editor_->numberBox()->text()));
}

void TesterWindow::showListContents()
{
    TesterForm f = testerForm();
    const auto contents = run_.listContents(f);
    editor_->fileBox()->setText(f.fileName);
    if (contents)
        editor_->content().setText(*contents);
}

// ---- runs ------------------------------------------------------------------

void TesterWindow::startRun()
{
    int badCode = -1;
    run_.start(testerForm(), &badCode);
    if (badCode >= 0)
        editor_->content().placeCaret(badCode);
    // A close box clicked during the run: the window goes now that the
    // run is off the stack.
    if (closeRequested_)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TesterWindow::setRunningMode(bool on)
{
    startButton_->setText(on ? kRunningCaption : kStartCaption);
    setBusy(on, {stopButton_}, {{startButton_, kStartColour}});
    if (on)
        editor_->contentBox()->setFocus();
    else
        paintStartButton();
}

void TesterWindow::paintStartButton()
{
    QPalette pal = startButton_->palette();
    pal.setColor(QPalette::Button, kStartColour);
    // "印字処理中" stays readable while the button is off during a run.
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, pal.color(QPalette::Active, QPalette::ButtonText));
    startButton_->setPalette(pal);
}

void TesterWindow::showProgress(const RunProgress &p)
{
    panel2_->setText(p.counter);
    pBar1_->setMaximum(qMax(1, p.maximum));
    pBar1_->setValue(qBound(0, p.value, pBar1_->maximum()));
    pBar1_->setVisible(p.barVisible);
}

bool TesterWindow::hasUnsavedEdits() const { return editor_->hasUnsavedEdits(); }

void TesterWindow::closeEvent(QCloseEvent *event)
{
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    if (run_.running()) {
        // The run is still on the stack: stop it and close once it ends.
        closeRequested_ = true;
        run_.stop();
        event->ignore();
        return;
    }
    statusTimer_->stop();
    run_.closeTool();
    ToolWindow::closeEvent(event);
}

// ---- line status -----------------------------------------------------------

void TesterWindow::showLabel(QLabel *label, const linestatus::Label &state)
{
    const bool highlight = state.shade == linestatus::Shade::Highlight;
    const QPalette &app = palette();
    const QColor back = highlight ? app.color(QPalette::Highlight) : QColor(Qt::white);
    const QColor ink = highlight ? app.color(QPalette::HighlightedText) : QColor(Qt::black);
    if (label->text() != state.text)
        label->setText(state.text);
    if (label->palette().color(QPalette::Window) != back || label->palette().color(QPalette::WindowText) != ink) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::WindowText, ink);
        label->setPalette(pal);
    }
}

void TesterWindow::pollLineStatus()
{
    const linestatus::Status s = linestatus::poll(ctx());
    showLabel(ctsLabel_, s.cts);
    showLabel(dsrLabel_, s.dsr);
    for (QLabel *l : {selectLabel_, busyLabel_, paperEndLabel_, errorLabel_})
        l->setVisible(s.parallel.has_value());
    if (s.parallel) {
        showLabel(selectLabel_, s.parallel->select);
        showLabel(busyLabel_, s.parallel->busy);
        showLabel(paperEndLabel_, s.parallel->paperEnd);
        showLabel(errorLabel_, s.parallel->error);
    }
    if (text6_->toPlainText() != s.received) {
        text6_->setPlainText(s.received);
        text6_->moveCursor(QTextCursor::End);
        text6_->verticalScrollBar()->setValue(text6_->verticalScrollBar()->maximum());
    }
    const QString summary = interfaceSummary();
    if (panel1_->text() != summary)
        panel1_->setText(summary);
}

QString TesterWindow::interfaceSummary()
{
    const OutputSettings &o = ctx().state.output;
    if (o.interfaceName == kInterfaceSerial)
        return QStringLiteral("%1 COM%2 %3").arg(o.interfaceName).arg(o.comPort).arg(o.baudText.trimmed());
    return QStringLiteral("%1 %2").arg(o.interfaceName, QString::number(o.lptBase, 16).toUpper());
}
