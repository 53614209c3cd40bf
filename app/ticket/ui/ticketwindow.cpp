#include "ticketwindow.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/ui/outputdisplaywindow.h"
#include "message/ui/filecopywindow.h"
#include "message/ui/listprinter.h"
#include "ticket/ticketediting.h"
#include "ticketdialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr qint16 kIdle = 600;
constexpr qint16 kOpenState = 610;
constexpr qint16 kSaveState = 611;
constexpr qint16 kDeleteFileState = 612;
constexpr qint16 kDeleteState = 615;
constexpr qint16 kIssueTestState = 616;
constexpr qint16 kSubMenuState = 620;
constexpr qint16 kDialogOpen = 100; // SelectedNumber while the dialog is up

constexpr int kLineTop = 128;
constexpr int kLinePitch = 22;

} // namespace

TicketWindow::TicketWindow(AppContext &ctx, ToolHost &host, QWidget *parent)
    : ToolWindow(ctx, host, QStringLiteral("TQ"), QStringLiteral("WinTQ"), Interfaces::SerialOnly, parent),
      fileOps_(ctx, [this] { return chooseNumber(); }), settings_(ctx, [this] { return rawNumberModel(); }),
      transferRunner_(ctx), transfer_(ctx, transferRunner_,
                                      {[this] { return chooseNumber(); },
                                       [this](const ticketconversion::ReadBack &read) {
                                           TicketForm f = form();
                                           f.content = read.content;
                                           showForm(f);
                                       }})
{
    transferRunner_.busyChanged = [this](qint16, bool on) { setBusy(on); };
    buildControls();
    load();
}

TicketWindow::~TicketWindow() = default;

void TicketWindow::buildControls()
{
    QWidget *b = block();
    const auto label = [b](const QString &name, const QString &text, int x, int y, int w, int h) {
        auto *l = new QLabel(text, b);
        l->setObjectName(name);
        l->setGeometry(x, y, w, h);
        return l;
    };
    label(QStringLiteral("Label1"), QStringLiteral("ファイル名"), 14, 40, 80, 24);
    text1_ = new QLineEdit(b);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setGeometry(96, 40, 410, 24);
    browseButton_ = addCommand(2, QStringLiteral("参照"), 514, 36, 70);

    label(QStringLiteral("Label6"), QStringLiteral("機種選択"), 14, 72, 80, 24);
    combo1_ = new QComboBox(b);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->addItems(ticket::kModelNames);
    combo1_->setCurrentIndex(0);
    combo1_->setGeometry(96, 72, 120, 24);
    aidButton_ = addCommand(3, QStringLiteral("作成補助"), 380, 70, 96);
    aidButton_->setToolTip(QStringLiteral("制御コードを入力します"));

    label(QStringLiteral("Label2"), QStringLiteral("行番号"), 8, 104, 44, 20);
    label4_ = label(QStringLiteral("Label4"), ticket::headerText(), 70, 104, 320, 20);
    label(QStringLiteral("Label3"), QStringLiteral("倍率"), 440, 104, 40, 20);
    for (int i = 0; i < TicketContent::kLineCount; ++i) {
        const int y = kLineTop + i * kLinePitch;
        auto *number = label(QStringLiteral("Label5_%1").arg(i + 1), QString::number(i + 1), 14, y, 30, 21);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *line = new QLineEdit(b);
        line->setObjectName(QStringLiteral("Text3_%1").arg(i + 1));
        line->setGeometry(50, y, 380, 21);
        line->installEventFilter(this);
        connect(line, &QLineEdit::textChanged, this, [this, i] { lineChanged(i + 1); });
        connect(line, &QLineEdit::returnPressed, this, [this, i] { lineEnter(i + 1); });
        lines_[size_t(i)] = line;
        auto *mag = new QLineEdit(ticket::kDefaultMagnification, b);
        mag->setObjectName(QStringLiteral("Text4_%1").arg(i + 1));
        mag->setGeometry(436, y, 44, 21);
        mag->setMaxLength(4);
        mag->installEventFilter(this);
        magnif_[size_t(i)] = mag;
    }

    // The command buttons down the right edge.
    const auto command = [this](int index, const QString &caption) {
        QPushButton *c = addCommand(100 + index, caption, 506, 104 + index * 38, 147);
        c->setObjectName(QStringLiteral("Command1_%1").arg(index));
        return c;
    };
    openButton_ = command(0, QStringLiteral("ファイルを開く"));
    saveButton_ = command(1, QStringLiteral("ファイルに保存"));
    deleteFileButton_ = command(2, QStringLiteral("ファイルから削除"));
    readButton_ = command(3, QStringLiteral("プリンタから読込"));
    registerButton_ = command(4, QStringLiteral("プリンタに登録"));
    deleteButton_ = command(5, QStringLiteral("プリンタから削除"));
    issueTestButton_ = command(6, QStringLiteral("発券テスト"));
    subMenuButton_ = command(7, QStringLiteral("サブメニュー"));
    copyButton_ = command(8, QStringLiteral("ファイルの複写"));
    settingsButton_ = command(9, QStringLiteral("出力I/F詳細"));
    menuButton_ = command(10, QStringLiteral("メニューへ戻る"));

    connect(browseButton_, &QPushButton::clicked, this, &TicketWindow::browse);
    connect(aidButton_, &QPushButton::clicked, this, &TicketWindow::showAid);
    connect(openButton_, &QPushButton::clicked, this, &TicketWindow::openFile);
    connect(saveButton_, &QPushButton::clicked, this, &TicketWindow::saveFile);
    connect(deleteFileButton_, &QPushButton::clicked, this, &TicketWindow::deleteFile);
    connect(readButton_, &QPushButton::clicked, this, &TicketWindow::readFromPrinter);
    connect(registerButton_, &QPushButton::clicked, this, &TicketWindow::registerToPrinter);
    connect(deleteButton_, &QPushButton::clicked, this, [this] { numberDialogFromWindow(kDeleteState); });
    connect(issueTestButton_, &QPushButton::clicked, this, [this] { numberDialogFromWindow(kIssueTestState); });
    connect(subMenuButton_, &QPushButton::clicked, this, &TicketWindow::showSubMenu);
    connect(copyButton_, &QPushButton::clicked, this,
            [this] { adopt(FileCopyWindow::showFor(this, ctx(), fileCopy_)); });
    connect(settingsButton_, &QPushButton::clicked, this, &TicketWindow::showSettings);
    connect(menuButton_, &QPushButton::clicked, this, &TicketWindow::backToMenu);

    addFileToolbar(text1_,
                   {[this] { openFile(); }, [this] { saveFile(); }, [this] { printList(); }, [this] { deleteFile(); }});
}

bool TicketWindow::rawNumberModel() const { return ticket::rawNumberModelFor(combo1_->currentText()); }

TicketForm TicketWindow::form() const
{
    TicketForm f;
    f.fileName = text1_->text();
    f.rawNumberModel = rawNumberModel();
    f.headerNumber = headerNumber_;
    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
        f.content.line(k).text = lines_[size_t(k - 1)]->text();
        f.content.line(k).magnification = magnif_[size_t(k - 1)]->text();
    }
    return f;
}

void TicketWindow::showForm(const TicketForm &f)
{
    if (text1_->text() != f.fileName)
        text1_->setText(f.fileName);
    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
        const TicketLine &l = f.content.line(k);
        if (lines_[size_t(k - 1)]->text() != l.text)
            setLineText(k, l.text, int(l.text.size()));
        magnif_[size_t(k - 1)]->setText(l.magnification);
    }
    headerNumber_ = f.headerNumber;
    label4_->setText(ticket::headerText(headerNumber_));
}

void TicketWindow::setLineText(int line, const QString &text, int caret)
{
    QLineEdit *box = lines_[size_t(line - 1)];
    settingLine_ = true;
    box->setText(text);
    box->setCursorPosition(caret);
    settingLine_ = false;
    lineBefore_[size_t(line - 1)] = text;
}

void TicketWindow::lineChanged(int line)
{
    QLineEdit *box = lines_[size_t(line - 1)];
    QString &before = lineBefore_[size_t(line - 1)];
    if (settingLine_ || !ticketediting::convertsEdits(ctx().state.toolState)) {
        before = box->text();
        return;
    }
    const displayform::Edit edit = ticketediting::convertLine(before, box->text(), box->cursorPosition());
    if (edit.text != box->text() || edit.caret != box->cursorPosition())
        setLineText(line, edit.text, edit.caret);
    before = edit.text;
    if (edit.overLimit)
        ctx().messenger().showCatalogMessage(msg::InputFull);
}

void TicketWindow::lineEnter(int line)
{
    QLineEdit *box = lines_[size_t(line - 1)];
    const ticketediting::EnterResult r = ticketediting::pressEnter(box->text(), box->cursorPosition(), line);
    setLineText(line, r.text, int(r.text.size()));
    QLineEdit *next = lines_[size_t(r.nextLine - 1)];
    next->setFocus();
    next->setCursorPosition(0);
    if (r.overLimit)
        ctx().messenger().showCatalogMessage(msg::InputFull);
}

bool TicketWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < TicketContent::kLineCount; ++i) {
            if (watched == lines_[size_t(i)]) {
                currentLine_ = i + 1;
                auxAllowed_ = true;
            } else if (watched == magnif_[size_t(i)]) {
                auxAllowed_ = false;
            }
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

void TicketWindow::closeEvent(QCloseEvent *event)
{
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    // A wait for the number dialog ends with the window.
    if (selectedNumber_ == kDialogOpen)
        selectedNumber_ = 0;
    ToolWindow::closeEvent(event);
}

void TicketWindow::browse()
{
    const QString path = pickFile(MsdDialog::Open, text1_->text());
    if (!path.isEmpty())
        text1_->setText(path);
}

bool TicketWindow::hasUnsavedEdits() const { return form().content != saved_; }

void TicketWindow::openFile()
{
    if (!confirmDiscard())
        return;
    TicketForm f = form();
    if (fileOps_.open(f)) {
        showForm(f);
        saved_ = form().content;
    }
}

void TicketWindow::saveFile()
{
    TicketForm f = form();
    ticket::ContentCheck refused;
    const bool saved = fileOps_.save(f, &refused);
    showForm(f);
    if (saved)
        saved_ = form().content;
    focusRefused(refused);
}

void TicketWindow::focusRefused(const ticket::ContentCheck &refused)
{
    if (!refused.ok() && refused.line >= 1 && refused.line <= TicketContent::kLineCount) {
        QLineEdit *box = lines_[size_t(refused.line - 1)];
        box->setFocus();
        if (refused.caret >= 0)
            box->setCursorPosition(refused.caret);
    }
}

void TicketWindow::readFromPrinter()
{
    if (!confirmDiscard())
        return;
    TicketForm f = form();
    int height = barcodeHeight_;
    if (transfer_.readContent(f, &height) == TicketTransfer::Outcome::Done) {
        barcodeHeight_ = height;
        saved_ = form().content;
    }
}

void TicketWindow::registerToPrinter()
{
    TicketForm f = form();
    ticket::ContentCheck refused;
    transfer_.registerContent(f, barcodeHeight_, &refused);
    headerNumber_ = f.headerNumber;
    label4_->setText(ticket::headerText(headerNumber_));
    focusRefused(refused);
}

void TicketWindow::deleteFile()
{
    TicketForm f = form();
    fileOps_.remove(f);
}

void TicketWindow::printList()
{
    TicketForm f = form();
    const auto text = fileOps_.printText(f);
    if (text)
        listprinter::printAndTell(ctx().messenger(), *text, f.fileName);
}

TicketNumberDialog *TicketWindow::showNumberDialog()
{
    if (number_)
        number_->close();
    TicketNumberDialog::Hooks hooks;
    hooks.chosen = [this](int n) { selectedNumber_ = qint16(n); };
    hooks.barcodeHeight = [this](int dots) { barcodeHeight_ = dots; };
    number_ = new TicketNumberDialog(ctx(), settings_, rawNumberModel(), hooks, this);
    adopt(number_);
    number_->show();
    number_->raise();
    number_->activateWindow();
    return number_;
}

std::optional<int> TicketWindow::chooseNumber()
{
    selectedNumber_ = kDialogOpen;
    setBusy(true);
    TicketNumberDialog *dialog = showNumberDialog();
    dialog->onClose = [this] {
        if (selectedNumber_ == kDialogOpen)
            selectedNumber_ = 0;
    };
    eventwait::pumpUntil([this] { return selectedNumber_ != kDialogOpen; });
    setBusy(false);
    if (selectedNumber_ < 1)
        return std::nullopt;
    return int(selectedNumber_);
}

void TicketWindow::numberDialogFromWindow(qint16 state)
{
    ctx().state.toolState = state;
    setBusy(true);
    TicketNumberDialog *dialog = showNumberDialog();
    dialog->onClose = [this] { setBusy(false); };
}

void TicketWindow::showSubMenu()
{
    if (subMenu_) {
        subMenu_->raise();
        return;
    }
    ctx().state.toolState = kSubMenuState;
    TicketSubMenu::Hooks hooks;
    hooks.numberDialog = [this] { showNumberDialog(); };
    hooks.enableWindow = [this] {
        auto *w = new TicketEnableWindow(ctx(), settings_, &issueEnable_, this);
        adopt(w);
        w->show();
    };
    hooks.outputMonitor = [this](QPushButton *caller) {
        OutputDisplayWindow::Options options;
        options.background = caller->palette().color(QPalette::Button);
        adopt(OutputDisplayWindow::open(ctx(), options, this));
    };
    subMenu_ = new TicketSubMenu(ctx(), hooks, this);
    subMenu_->onClose = [this] {
        ctx().state.toolState = kIdle;
        block()->setEnabled(true);
        setBusy(false);
    };
    adopt(subMenu_);
    block()->setEnabled(false);
    setBusy(true);
    subMenu_->show();
}

void TicketWindow::showAid()
{
    if (!auxAllowed_)
        return;
    if (aid_) {
        aid_->raise();
        return;
    }
    TicketAuxWindow::Hooks hooks;
    hooks.insert = [this](const QString &text) {
        QLineEdit *box = lines_[size_t(currentLine_ - 1)];
        box->setFocus();
        box->insert(text);
    };
    hooks.focusBack = [this] { lines_[size_t(currentLine_ - 1)]->setFocus(); };
    aid_ = new TicketAuxWindow(aidButton_->palette().color(QPalette::Button), hooks, this);
    adopt(aid_);
    aid_->show();
}
