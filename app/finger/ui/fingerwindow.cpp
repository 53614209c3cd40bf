#include "fingerwindow.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/ui/outputdisplaywindow.h"
#include "fingernumdialog.h"
#include "fingersubmenu.h"
#include "logindialog.h"
#include "message/filecopy.h"
#include "message/ui/filecopywindow.h"
#include "shell/launcher.h"
#include "shell/ui/filetoolbar.h"
#include "shell/ui/statusstrip.h"
#include "shell/ui/toolhost.h"

#include "finger/listslip.h"
#include "finger/sampleslips.h"
#include "finger/tickettest.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>

namespace {

constexpr int px(int twips) { return twips / launcher::kTwipsPerPixel; }

const QColor kWindowColour(254, 231, 242);
const QColor kFoundColour(255, 255, 0);
const QString kCrLf = QStringLiteral("\r\n");
const QString kSeveralFiles = QStringLiteral("複数ファイルが選択されています。");
const QString kNotLoaded = QStringLiteral("登録者が読込まれていません。");
const QString kNoUser = QStringLiteral("ユーザーが選択されていません。");

constexpr int kWindowHeightTwips = 8160;
constexpr int kStatusHeight = 24;
constexpr int kGridX = 14;
constexpr int kGridY = 80;
constexpr int kGridWidth = 470;
constexpr int kGridHeight = 392;

// Operation states of the window (the others are the notices' codes).
constexpr qint16 kHelp = 901;
constexpr qint16 kListPrint = 922;
constexpr qint16 kOutputCheck = 925;
constexpr qint16 kPasswordSetting = 926;

void paint(QPushButton *b, const QColor &colour)
{
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, colour);
    b->setPalette(pal);
}

QString question(const QString &first) { return first + kCrLf + QStringLiteral("よろしいですか？"); }

// One counter for the whole program run, whichever window prints.
SampleSlips &slipsOfTheRun()
{
    static SampleSlips slips;
    return slips;
}

} // namespace

FingerWindow::FingerWindow(AppContext &ctx, ToolHost &host, QWidget *parent)
    : ToolWindow(ctx, host, QStringLiteral("Finger"), QStringLiteral("Palmira"), Interfaces::SerialOnly, parent),
      files_(ctx.state.programFolder, ctx.messenger()), unit_(ctx.channel(), ctx.messenger(), users_, files_),
      password_(DeletePassword::load())
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowColour);
    setPalette(pal);

    askIds = [this] { return FingerNumDialog::askIds(users_, this->ctx().messenger(), this); };
    askChoice = [this] { return FingerNumDialog::askChoice(users_, this->ctx().messenger(), this); };
    passwordInput = [this](const PasswordPrompt &p) { return logindialog::ask(this, p); };
    chooseFiles = [this] {
        return QFileDialog::getOpenFileNames(this, QStringLiteral("ファイルを開く"), files_.folderPath(), kMsdFilter);
    };
    chooseFile = [this](QWidget *parent, MsdDialog kind, const QString &current) {
        // The dialogs start in the Finger folder.
        return chooseMsdFile(parent, kind, current.isEmpty() ? files_.dataFilePath() : current);
    };

    buildControls();
    wireUnit();
    ctx.messenger().setBeforeFingerMessage([this] { panel1_->clear(); });
    qApp->installEventFilter(this);
    load();
    // The status strip of every tool goes below the window's own status bar.
    if (!ctx.state.launcherMaximized)
        resize(px(launcher::kDesignWidth), px(kWindowHeightTwips) + StatusStrip::kHeight);
    text1_->setText(files_.dataFilePath());
}

FingerWindow::~FingerWindow()
{
    qApp->removeEventFilter(this);
    ctx().messenger().setBeforeFingerMessage({});
}

void FingerWindow::buildControls()
{
    QWidget *b = block();
    auto *label1 = new QLabel(QStringLiteral("ファイル名"), b);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setGeometry(14, 46, 80, 24);
    text1_ = new QLineEdit(b);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setGeometry(96, 46, 466, 24);
    browseButton_ = addCommand(2, QStringLiteral("参照"), 568, 44, 84);

    grid_ = new QTableWidget(kHiddenRow, 3, b);
    grid_->setObjectName(QStringLiteral("FGrid1"));
    grid_->setGeometry(kGridX, kGridY, kGridWidth, kGridHeight);
    grid_->setHorizontalHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("第1指 ユーザーID"), QStringLiteral("第2指 ユーザーID")});
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(20);
    grid_->verticalHeader()->setMinimumSectionSize(0);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setColumnWidth(0, px(600));
    const int idWidth = (kGridWidth - px(600) - px(350)) / 2;
    grid_->setColumnWidth(1, idWidth);
    grid_->setColumnWidth(2, idWidth);
    for (int r = 1; r <= kHiddenRow; ++r) {
        auto *no = new QTableWidgetItem(QString::number(r));
        no->setTextAlignment(Qt::AlignCenter);
        grid_->setItem(r - 1, 0, no);
        for (int c = 1; c <= 2; ++c)
            grid_->setItem(r - 1, c, new QTableWidgetItem);
    }
    grid_->setRowHeight(kHiddenRow - 1, 0);
    grid_->setFont(font());

    label2_ = new QLabel(QStringLiteral("残り　　　秒"), b);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(kGridX, kGridY + kGridHeight + 10, 110, 24);
    text2_ = new QLineEdit(b);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setGeometry(kGridX + 26, kGridY + kGridHeight + 10, 30, 24);
    text2_->setAlignment(Qt::AlignCenter);
    text2_->setReadOnly(true);
    label2_->raise();
    text2_->raise();
    label2_->hide();
    text2_->hide();
    closeReadingButton_ = addCommand(3, QStringLiteral("d"), kGridX + kGridWidth - 24, kGridY + kGridHeight + 10, 24);
    closeReadingButton_->resize(24, 24);

    // Command1(0..10), one column beside the list.
    const auto command = [this](int index, const QString &caption, const QColor &colour) {
        QPushButton *p = addCommand(100 + index, caption, 500, kGridY + index * 40, px(2200));
        p->setObjectName(QStringLiteral("Command1_%1").arg(index));
        p->resize(px(2200), px(550));
        paint(p, colour);
        return p;
    };
    openButton_ = command(0, QStringLiteral("ファイルを開く"), QColor(255, 182, 193));
    saveButton_ = command(1, QStringLiteral("ファイルに保存"), QColor(255, 105, 180));
    readListButton_ = command(2, QStringLiteral("登録者の読込"), QColor(255, 20, 147));
    readTemplatesButton_ = command(3, QStringLiteral("指紋の読込"), QColor(144, 238, 144));
    registerButton_ = command(4, QStringLiteral("指紋の登録"), QColor(124, 252, 0));
    deleteButton_ = command(5, QStringLiteral("指紋の消去"), QColor(50, 205, 50));
    ticketTestButton_ = command(6, QStringLiteral("発券テスト"), QColor(176, 224, 230));
    subMenuButton_ = command(7, QStringLiteral("サブメニュー"), QColor(160, 215, 242));
    copyButton_ = command(8, QStringLiteral("ファイルの複写"), QColor(135, 206, 250));
    settingsButton_ = command(9, QStringLiteral("出力I/F詳細"), QColor(85, 191, 255));
    menuButton_ = command(10, QStringLiteral("メニューへ戻る"), QColor(0, 191, 255));

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);
    panel1_ = new QLabel(statusBar_);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    statusBar_->addWidget(panel1_, 1);
    pBar1_ = new QProgressBar(statusBar_);
    pBar1_->setObjectName(QStringLiteral("PBar1"));
    pBar1_->setTextVisible(false);
    pBar1_->setFixedWidth(220);
    statusBar_->addPermanentWidget(pBar1_);
    pBar1_->hide();

    connect(browseButton_, &QPushButton::clicked, this, [this] { runCommand([this] { browse(); }); });
    connect(closeReadingButton_, &QPushButton::clicked, this, [this] { runCommand([this] { closeReading(); }); });
    connect(openButton_, &QPushButton::clicked, this, [this] { runCommand([this] { openFiles(); }); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { runCommand([this] { saveUsers(); }); });
    connect(readListButton_, &QPushButton::clicked, this, [this] { runCommand([this] { readRegistrants(); }); });
    connect(readTemplatesButton_, &QPushButton::clicked, this, [this] { runCommand([this] { readTemplates(); }); });
    connect(registerButton_, &QPushButton::clicked, this, [this] { runCommand([this] { registerUser(); }); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { runCommand([this] { deleteUsers(); }); });
    connect(ticketTestButton_, &QPushButton::clicked, this, [this] { runCommand([this] { ticketTest(); }); });
    connect(subMenuButton_, &QPushButton::clicked, this, &FingerWindow::openSubMenu);
    connect(copyButton_, &QPushButton::clicked, this, &FingerWindow::openFileCopy);
    connect(settingsButton_, &QPushButton::clicked, this, [this] {
        clearHighlight();
        if (subMenu_)
            subMenu_->close();
        showSettings();
    });
    connect(menuButton_, &QPushButton::clicked, this, &FingerWindow::returnToMenu);

    FileToolbar *bar = addFileToolbar(text1_, {[this] { runCommand([this] { openFiles(); }); }, {}, {}, {}});
    // This tool's bar: open, save, list print and help.
    for (QAction *a : {bar->cutAction(), bar->copyAction(), bar->pasteAction(), bar->deleteAction()})
        a->setVisible(false);
    // One separator before help is enough.
    bool separatorShown = false;
    for (QAction *a : bar->actions()) {
        if (a->isSeparator()) {
            a->setVisible(!separatorShown);
            separatorShown = true;
        }
    }
    bar->printAction()->setToolTip(QStringLiteral("リストの印刷"));
    bar->printAction()->setText(QStringLiteral("リストの印刷"));
    // Save runs the command as it is (the selection says where); help
    // opens in the help state.
    disconnect(bar->saveAction(), nullptr, this, nullptr);
    disconnect(bar->helpAction(), nullptr, this, nullptr);
    connect(bar->saveAction(), &QAction::triggered, this, [this] { runCommand([this] { saveUsers(); }); });
    connect(bar->printAction(), &QAction::triggered, this, [this] { runCommand([this] { printList(); }); });
    connect(bar->helpAction(), &QAction::triggered, this, &FingerWindow::openHelp);
}

void FingerWindow::wireUnit()
{
    unit_.status = [this](const QString &text) { showStatus(text); };
    unit_.progress = [this](int value, int maximum) { showBar(value, maximum); };
    unit_.items = [this](int done, int total) {
        if (total > 0)
            showProgress(done, total);
        else
            endProgress();
    };
    unit_.countdown = [this](int seconds) { showCountdown(seconds); };
    unit_.selectRow = [this](int row) { selectRows(row, row); };
    unit_.highlight = [this](const FoundFinger &f) { showHighlight(f); };
    // The list is in the table by then; the grid shows it before the notice.
    unit_.showFile = [this](const QString &path) {
        refreshGrid();
        text1_->setText(path);
    };
    files_.progress = [this](int n) { showBar(n, fingers::kRows); };
}

// ---- the grid ------------------------------------------------------------

int FingerWindow::currentRow() const { return selection().first; }

std::pair<int, int> FingerWindow::selection() const
{
    const QList<QTableWidgetSelectionRange> ranges = grid_->selectedRanges();
    if (ranges.isEmpty()) {
        const int r = grid_->currentRow() + 1;
        return {r > 0 ? r : kHiddenRow, r > 0 ? r : kHiddenRow};
    }
    int first = kHiddenRow;
    int last = 1;
    for (const QTableWidgetSelectionRange &range : ranges) {
        first = qMin(first, range.topRow() + 1);
        last = qMax(last, range.bottomRow() + 1);
    }
    return {first, last};
}

void FingerWindow::selectRows(int first, int last)
{
    first = qBound(1, first, int(kHiddenRow));
    last = qBound(first, last, int(kHiddenRow));
    // The hidden row takes the selection without moving the view.
    QScrollBar *bar = grid_->verticalScrollBar();
    const int top = bar->value();
    grid_->clearSelection();
    grid_->setCurrentCell(first - 1, 0, QItemSelectionModel::NoUpdate);
    grid_->setRangeSelected(QTableWidgetSelectionRange(first - 1, 0, last - 1, 2), true);
    if (first != kHiddenRow)
        grid_->scrollToItem(grid_->item(first - 1, 0));
    else
        bar->setValue(top);
}

void FingerWindow::showRow(int row)
{
    for (int f = 0; f < 2; ++f)
        grid_->item(row - 1, f + 1)->setText(cp932::decode(users_[row].userId[size_t(f)]));
}

void FingerWindow::refreshGrid()
{
    grid_->setUpdatesEnabled(false);
    for (int row = 1; row <= fingers::kRows; ++row)
        showRow(row);
    grid_->setUpdatesEnabled(true);
}

void FingerWindow::showHighlight(const FoundFinger &found)
{
    clearHighlight();
    if (!found.found())
        return;
    highlighted_ = found;
    grid_->item(found.row - 1, found.finger + 1)->setBackground(kFoundColour);
}

void FingerWindow::clearHighlight()
{
    if (!highlighted_.found())
        return;
    grid_->item(highlighted_.row - 1, highlighted_.finger + 1)->setBackground(kWindowColour);
    highlighted_ = {};
}

// ---- what the sequences report -------------------------------------------

void FingerWindow::showStatus(const QString &text) { panel1_->setText(text); }

void FingerWindow::showBar(int value, int maximum)
{
    if (maximum <= 0) {
        pBar1_->hide();
        return;
    }
    pBar1_->setRange(0, maximum);
    pBar1_->setValue(qBound(0, value, maximum));
    pBar1_->show();
}

void FingerWindow::showCountdown(int seconds)
{
    const bool on = seconds >= 0;
    if (on)
        text2_->setText(QStringLiteral("%1").arg(seconds, 2, 10, QLatin1Char('0')));
    label2_->setVisible(on);
    text2_->setVisible(on);
}

// ---- frame of every command ----------------------------------------------

void FingerWindow::runCommand(const std::function<void()> &body, bool closeSubMenu)
{
    if (isBusy())
        return;
    clearHighlight();
    if (closeSubMenu && subMenu_)
        subMenu_->close();
    escaped_ = false;
    setBusy(true);
    if (subMenu_)
        subMenu_->setButtonsEnabled(false);
    body();
    finish();
}

void FingerWindow::finish()
{
    showCountdown(-1);
    showBar(0, 0);
    selectRows(kHiddenRow, kHiddenRow);
    ctx().state.toolState = kIdle;
    setBusy(false);
    if (subMenu_)
        subMenu_->setButtonsEnabled(true);
}

void FingerWindow::refuse(const QString &text, const QString &caption)
{
    ctx().messenger().showMessage(text, Icon::Exclamation, caption.isEmpty() ? kAppTitle : caption);
}

bool FingerWindow::refuseUnlessLoaded()
{
    if (users_.registrantsLoaded())
        return false;
    refuse(kNotLoaded);
    return true;
}

bool FingerWindow::refuseWithoutUser(int row)
{
    if (FingerUsers::isRow(row) && users_[row].hasIds())
        return false;
    refuse(kNoUser);
    return true;
}

// ---- commands ------------------------------------------------------------

void FingerWindow::browse()
{
    const QStringList paths = chooseFiles ? chooseFiles() : QStringList();
    if (paths.isEmpty())
        return;
    if (paths.size() == 1) {
        text1_->setText(QDir::toNativeSeparators(paths.front()));
        users_.setSelectedFiles({});
        return;
    }
    const QString folder = QFileInfo(paths.front()).absolutePath();
    text1_->setText(QDir::toNativeSeparators(folder + QLatin1Char('/')) + kSeveralFiles);
    users_.setSelectedFiles(paths);
}

void FingerWindow::openFiles()
{
    const bool several = text1_->text().contains(kSeveralFiles);
    ctx().state.toolState = msg::FingerFileRead;
    showBar(0, fingers::kRows);
    const QString path = QDir::fromNativeSeparators(text1_->text());
    const auto rows =
        several ? files_.readSingleUserFiles(users_, users_.selectedFiles()) : files_.readFile(users_, path);
    openedDataFile_ = rows && !several && FingerFiles::sameFile(path, files_.dataFilePath());
    if (!rows) {
        showBar(0, 0);
        return;
    }
    refreshGrid();
    showBar(fingers::kRows, fingers::kRows);
    ctx().channel().waitMs(unit_.times().settleMs);
    showBar(0, 0);
    ctx().messenger().showCatalogMessage(msg::FingerFileRead);
}

void FingerWindow::saveUsers()
{
    if (refuseUnlessLoaded())
        return;
    if (ctx().messenger().showMessage(question(QStringLiteral("選択されているユーザーのデータを保存します。")),
                                      MessageStyle(Icon::Question, Buttons::OkCancel, 1),
                                      QStringLiteral("ファイルに保存")) != Answer::Ok)
        return;
    const auto [first, last] = selection();
    if (refuseWithoutUser(first))
        return;
    const bool toDataFile = users_.savesToDataFile(first, last);
    if (toDataFile && QFileInfo(files_.dataFilePath()).isFile() &&
        ctx().messenger().showMessage(
            QStringLiteral(
                "全てのユーザーデータを保存する場合は、[ファイルの複写] で保存した方が高速に保存できます。") +
                QStringLiteral("処理を続けますか？"),
            MessageStyle(Icon::Question, Buttons::YesNo, 1), QStringLiteral("ファイルに保存")) != Answer::Yes)
        return;

    ctx().state.toolState = msg::FingerFileSaved;
    showBar(0, fingers::kRows);
    int saved = first - 1; // the last row that is ready
    bool ok = true;
    for (int row = first; ok && row <= qMin(last, int(fingers::kRows)); ++row) {
        FingerUser &user = users_[row];
        const bool complete = user.hasTemplate(0) && user.hasTemplate(1);
        if (!complete) {
            selectRows(row, row);
            if (!user.hasIds())
                break;
            ok = unit_.readTemplates(row, row, true);
            if (!ok)
                break;
        }
        // Single-user files go one by one; the data file is replaced whole
        // once every row is ready.
        if (!toDataFile)
            ok = files_.writeFinger(users_, row, FingerFiles::Target::SingleUser);
        if (ok)
            saved = row;
        showBar(row, fingers::kRows);
    }
    if (ok && toDataFile)
        ok = saved >= first && files_.replaceDataFile(users_, first, saved);
    if (!ok || saved < first) {
        showBar(0, 0);
        return;
    }
    showBar(fingers::kRows, fingers::kRows);
    ctx().channel().waitMs(unit_.times().settleMs);
    showBar(0, 0);
    ctx().messenger().showCatalogMessage(msg::FingerFileSaved);
}

void FingerWindow::readRegistrants()
{
    if (!unit_.linesReady())
        return;
    if (ctx().messenger().showMessage(question(QStringLiteral("登録者のIDデータを読込ます。")),
                                      MessageStyle(Icon::Question, Buttons::OkCancel),
                                      QStringLiteral("登録者の読込")) != Answer::Ok)
        return;
    ctx().state.toolState = msg::RegistrantsRead;
    unit_.readRegistrants(false);
    refreshGrid();
}

void FingerWindow::readTemplates()
{
    if (refuseUnlessLoaded() || !unit_.linesReady())
        return;
    if (ctx().messenger().showMessage(question(QStringLiteral("選択されているユーザーの指紋データを読込ます。")),
                                      MessageStyle(Icon::Question, Buttons::OkCancel, 1),
                                      QStringLiteral("指紋の読込")) != Answer::Ok)
        return;
    const auto [first, last] = selection();
    if (refuseWithoutUser(first))
        return;
    ctx().state.toolState = msg::TemplatesRead;
    if (!unit_.readTemplates(first, last, false))
        ctx().state.toolState = msg::RegistrantsRead;
}

void FingerWindow::registerUser()
{
    if (!unit_.linesReady())
        return;
    ctx().state.toolState = msg::FingerRegistered;
    const auto ids = askIds ? askIds() : std::nullopt;
    if (!ids)
        return;
    // The sequence ends silently; the user is told the new row is on the unit.
    if (unit_.registerUser(*ids))
        ctx().messenger().showCatalogMessage(msg::FingerRegistered);
    refreshGrid();
}

void FingerWindow::deleteUsers()
{
    if (refuseUnlessLoaded())
        return;
    const auto [first, last] = selection();
    unit_.deleteUsers(first, last, password_, passwordInput);
    refreshGrid();
}

void FingerWindow::ticketTest()
{
    if (refuseUnlessLoaded())
        return;
    ctx().state.toolState = msg::FingerTestDone;
    const auto choice = askChoice ? askChoice() : std::nullopt;
    if (!choice)
        return;
    tickettest::run(unit_, slipsOfTheRun(), *choice);
}

void FingerWindow::openSubMenu()
{
    if (isBusy())
        return;
    clearHighlight();
    if (subMenu_) {
        subMenu_->raise();
        subMenu_->activateWindow();
        return;
    }
    subMenu_ = new FingerSubMenu(this);
    subMenu_->run = [this](FingerSubMenu::Command c) { runSubCommand(c); };
    subMenu_->move(subMenuButton_->mapToGlobal(QPoint(subMenuButton_->width(), 0)));
    adopt(subMenu_);
    subMenu_->show();
}

void FingerWindow::openFileCopy()
{
    if (isBusy())
        return;
    clearHighlight();
    if (subMenu_)
        subMenu_->close();
    // The copy window copies whole files while this tool is in front.
    ctx().state.toolState = filecopy::kWholeFileState;
    adopt(FileCopyWindow::showFor(this, ctx(), fileCopy_));
}

void FingerWindow::returnToMenu()
{
    if (isBusy())
        return;
    password_.save(ctx().messenger());
    if (ctx().serial().isOpen())
        ctx().serial().close();
    backToMenu();
}

void FingerWindow::closeReading() { unit_.disableRead(); }

void FingerWindow::openHelp()
{
    ctx().state.toolState = kHelp;
    host().openHelp();
    ctx().state.toolState = kIdle;
}

// ---- sub menu ------------------------------------------------------------

void FingerWindow::runSubCommand(int c)
{
    const auto body = [this, c] {
        switch (FingerSubMenu::Command(c)) {
        case FingerSubMenu::Check:
            checkFinger();
            break;
        case FingerSubMenu::ListPrint:
            if (!refuseUnlessLoaded())
                printList();
            break;
        case FingerSubMenu::Reregister:
            reregister();
            break;
        case FingerSubMenu::Version:
            printVersion();
            break;
        case FingerSubMenu::OutputCheck:
            outputCheck();
            break;
        case FingerSubMenu::Password:
            setPassword();
            break;
        case FingerSubMenu::Cancel:
        case FingerSubMenu::kCommands:
            break;
        }
    };
    runCommand(body, false);
}

void FingerWindow::checkFinger()
{
    if (refuseUnlessLoaded())
        return;
    ctx().state.toolState = msg::AskCheckRegistered;
    if (ctx().messenger().showCatalogMessage(msg::AskCheckRegistered) != Answer::Ok)
        return;
    if (!unit_.linesReady())
        return;
    showStatus(QStringLiteral("指紋を読み取って下さい。"));
    const auto found = unit_.readingPeriod(10);
    showStatus({});
    if (found) {
        ctx().messenger().showCatalogMessage(found->found() ? msg::FingerIsRegistered : msg::FingerNotRegistered);
    } else if (ctx().state.toolState == msg::FingerNotRegistered && !escaped_) {
        // Reading was open but no finger came.
        ctx().messenger().showMessage(QStringLiteral("指紋は登録されていません。"), Icon::Information);
    }
}

void FingerWindow::printList() { listslip::print(ctx().channel(), ctx().messenger(), users_); }

void FingerWindow::reregister()
{
    if (users_.registrantsLoaded()) {
        refuse(QStringLiteral("先にファイルを開いて下さい。"), QStringLiteral("指紋の再登録"));
        return;
    }
    if (!unit_.linesReady())
        return;
    ctx().state.toolState = msg::TemplatesRegistered;
    if (ctx().messenger().showMessage(
            question(QStringLiteral("選択されているユーザーの指紋データをファイルから登録します。")),
            MessageStyle(Icon::Question, Buttons::OkCancel), QStringLiteral("指紋の再登録")) != Answer::Ok)
        return;
    const auto [first, last] = selection();
    if (refuseWithoutUser(first))
        return;
    if (!unit_.writeTemplates(first, last, !openedDataFile_))
        return;
    ctx().state.toolState = msg::RegistrantsRead;
    unit_.readRegistrants(false);
    refreshGrid();
}

void FingerWindow::printVersion()
{
    if (unit_.linesReady())
        unit_.printVersion();
}

void FingerWindow::outputCheck()
{
    if (!unit_.linesReady())
        return;
    if (!unit_.openReading())
        return;
    ctx().state.toolState = kOutputCheck;
    SerialControl &serial = ctx().serial();
    if (!serial.isOpen())
        ctx().channel().openSerialPort();
    serial.clearInput();
    serial.clearOutput();
    serial.setDtrEnable(true);
    serial.setRThreshold(1);
    OutputDisplayWindow::Options options;
    options.background = subMenu_ ? subMenu_->palette().color(QPalette::Window) : kWindowColour;
    OutputDisplayWindow monitor(ctx(), options, this);
    monitor.showModal();
}

void FingerWindow::setPassword()
{
    ctx().state.toolState = kPasswordSetting;
    password_.change(ctx().messenger(), passwordInput);
}

// ---- window events -------------------------------------------------------

void FingerWindow::changeEvent(QEvent *event)
{
    ToolWindow::changeEvent(event);
    // Another tool or program may have closed the port meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !ctx().serial().isOpen())
        ctx().channel().openSerialPort();
}

void FingerWindow::resizeEvent(QResizeEvent *event)
{
    ToolWindow::resizeEvent(event);
    if (statusBar_)
        statusBar_->setGeometry(0, height() - StatusStrip::kHeight - kStatusHeight, width(), kStatusHeight);
}

bool FingerWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Esc anywhere on the window stops the running wait (registration,
    // ticket test).
    if (event->type() == QEvent::KeyPress && isBusy()) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *w = qobject_cast<QWidget *>(watched);
        if (key->key() == Qt::Key_Escape && w && w->window() == this) {
            escaped_ = true;
            unit_.cancel();
            return true;
        }
    }
    // The copy window's run button: whole files while this tool is open.
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) && fileCopy_ &&
        watched->parent() == fileCopy_ && watched->objectName() == QLatin1String("Command1") && !isBusy())
        ctx().state.toolState = filecopy::kWholeFileState;
    return ToolWindow::eventFilter(watched, event);
}
