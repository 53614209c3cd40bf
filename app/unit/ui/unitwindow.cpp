#include "unitwindow.h"

#include "comm/appcontext.h"
#include "message/displayform.h"
#include "message/ui/filecopywindow.h"
#include "message/ui/listprinter.h"
#include "unit/unitwire.h"
#include "uxnumdialog.h"
#include "uxsubmenu.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace unit {

namespace {

// Layout of the VUX-350Q rows (px in the block).
constexpr int kRowTop = 124;
constexpr int kRowStep = 27;
constexpr int kBoxHeight = 24;

QComboBox *patternBox(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    // The box takes typing too; the check before a save or register
    // refuses what is not in the list.
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    return c;
}

void setBoxText(QComboBox *c, const QString &text)
{
    const int i = c->findText(text, Qt::MatchExactly);
    if (i >= 0)
        c->setCurrentIndex(i);
    c->setEditText(text);
}

} // namespace

UnitWindow::UnitWindow(AppContext &ctx, ToolHost &host, QWidget *parent)
    : ToolWindow(ctx, host, QStringLiteral("UX"), QStringLiteral("WinUX"), Interfaces::SerialOnly, parent), ops_(ctx),
      transfer_(ctx)
{
    transfer_.runner().busyChanged = [this](qint16, bool on) {
        setBusy(on);
        if (on)
            showProgress(0, readTotal_);
        else
            endProgress();
    };
    transfer_.choose = [this] {
        auto chosen = choose ? choose() : UxNumDialog::ask(this->ctx(), this);
        readDone_ = 0;
        readTotal_ = chosen && this->ctx().state.toolState == UnitStates::Read
                         ? int(itemsOf(chosen->model, chosen->number).size())
                         : 0;
        return chosen;
    };
    transfer_.showProgress = [this](const UnitSettings &s) {
        UnitForm f = form();
        f.settings = s;
        showForm(f);
        if (readTotal_ > 0)
            showProgress(++readDone_, readTotal_);
    };
    buildControls();
    showForm(UnitForm{});
    clean_ = form().settings;
    load();
}

UnitWindow::~UnitWindow() = default;

void UnitWindow::buildControls()
{
    QWidget *b = block();
    const auto label = [b](const QString &name, const QString &text, int x, int y, int w) {
        auto *l = new QLabel(text, b);
        l->setObjectName(name);
        l->setGeometry(x, y, w, kBoxHeight);
        return l;
    };
    const auto box = [b](const QString &name, int x, int y, int w) {
        auto *e = new QLineEdit(b);
        e->setObjectName(name);
        e->setGeometry(x, y, w, kBoxHeight);
        return e;
    };

    label(QStringLiteral("Label1"), QStringLiteral("ファイル名"), 14, 46, 80);
    text1_ = box(QStringLiteral("Text1"), 96, 46, 466);
    browseButton_ = addCommand(2, QStringLiteral("参照"), 568, 44, 84);

    // VUX-350Q area.
    auto *vuxLabel = label(QStringLiteral("Label2"), kVuxLabel, 14, 78, 120);
    vuxLabel->setFrameShape(QFrame::Panel);
    label(QStringLiteral("Label3"), QStringLiteral("名称"), 64, 100, 80);
    label(QStringLiteral("Label4"), QStringLiteral("小数点位置"), 152, 100, 100);
    label(QStringLiteral("Label5"), QStringLiteral("単位"), 268, 100, 60);
    label(QStringLiteral("Label6"), QStringLiteral("レート"), 338, 100, 50);
    label(QStringLiteral("Label7"), QStringLiteral("比較出力値"), 394, 100, 80);
    for (int i = 0; i < kVuxChannels; ++i) {
        const int y = kRowTop + i * kRowStep;
        const QString n = QString::number(i + 1);
        label(QStringLiteral("LabelCh") + n, QStringLiteral("CH.") + n, 14, y, 46);
        text3_[size_t(i)] = box(QStringLiteral("Text3_") + n, 64, y, 84);
        combo1_[size_t(i)] = patternBox(QStringLiteral("Combo1_") + n, vuxPatterns(), b);
        combo1_[size_t(i)]->setGeometry(152, y, 110, kBoxHeight);
        text4_[size_t(i)] = box(QStringLiteral("Text4_") + n, 268, y, 64);
        text5_[size_t(i)] = box(QStringLiteral("Text5_") + n, 338, y, 50);
        if (i < kCompareChannels) {
            text6_[size_t(i)] = box(QStringLiteral("Text6_") + n, 394, y, 80);
            text6_[size_t(i)]->setMaxLength(kCompareDigits);
        }
        connect(text3_[size_t(i)], &QLineEdit::textEdited, this, [this, i] { onNameEdited(i); });
    }

    // UX-350Q area.
    auto *uxLabel = label(QStringLiteral("Label8"), kUxLabel, 494, 78, 120);
    uxLabel->setFrameShape(QFrame::Panel);
    label(QStringLiteral("Label9"), QStringLiteral("CH.1"), 494, 100, 40);
    label(QStringLiteral("Label10"), QStringLiteral("小数点位置１"), 538, 100, 110);
    combo2_[0] = patternBox(QStringLiteral("Combo2_1"), uxPatterns(), b);
    combo2_[0]->setGeometry(494, 124, 158, kBoxHeight);
    label(QStringLiteral("Label11"), QStringLiteral("CH.2"), 494, 152, 40);
    label(QStringLiteral("Label12"), QStringLiteral("小数点位置２"), 538, 152, 110);
    combo2_[1] = patternBox(QStringLiteral("Combo2_2"), uxPatterns(), b);
    combo2_[1]->setGeometry(494, 176, 158, kBoxHeight);
    label(QStringLiteral("Label13"), QStringLiteral("単位"), 494, 206, 60);
    text7_ = box(QStringLiteral("Text7"), 494, 230, 80);
    label(QStringLiteral("Label14"), QStringLiteral("指示計指定"), 494, 260, 100);
    combo3_ = patternBox(QStringLiteral("Combo3"), indicators(), b);
    combo3_->setGeometry(494, 284, 158, kBoxHeight);

    // Command1(0..9): file row, printer row, then the tools.
    const auto command = [this](int index, const QString &caption, int col, int row) {
        QPushButton *p = addCommand(100 + index, caption, 14 + col * 162, 356 + row * 42, 150);
        p->setObjectName(QStringLiteral("Command1_%1").arg(index));
        return p;
    };
    openButton_ = command(0, QStringLiteral("ファイルを開く"), 0, 0);
    saveButton_ = command(1, QStringLiteral("ファイルに保存"), 1, 0);
    deleteButton_ = command(2, QStringLiteral("ファイルから削除"), 2, 0);
    copyButton_ = command(7, QStringLiteral("ファイルの複写"), 3, 0);
    readButton_ = command(3, QStringLiteral("プリンタから読込"), 0, 1);
    registerButton_ = command(4, QStringLiteral("プリンタに登録"), 1, 1);
    testPrintButton_ = command(5, QStringLiteral("印字テスト"), 2, 1);
    subMenuButton_ = command(6, QStringLiteral("サブメニュー"), 3, 1);
    settingsButton_ = command(8, QStringLiteral("出力I/F詳細"), 2, 2);
    menuButton_ = command(9, QStringLiteral("メニューへ戻る"), 3, 2);
    settingsButton_->setToolTip(QStringLiteral("通信用プロトコルの詳細を表示します"));

    connect(browseButton_, &QPushButton::clicked, this, &UnitWindow::browse);
    connect(openButton_, &QPushButton::clicked, this, &UnitWindow::openFile);
    connect(saveButton_, &QPushButton::clicked, this, &UnitWindow::saveFile);
    connect(deleteButton_, &QPushButton::clicked, this, &UnitWindow::deleteFile);
    connect(readButton_, &QPushButton::clicked, this, &UnitWindow::readPrinter);
    connect(registerButton_, &QPushButton::clicked, this, &UnitWindow::registerPrinter);
    connect(testPrintButton_, &QPushButton::clicked, this, [this] { transfer_.testPrint(); });
    connect(subMenuButton_, &QPushButton::clicked, this, &UnitWindow::openSubMenu);
    connect(copyButton_, &QPushButton::clicked, this,
            [this] { adopt(FileCopyWindow::showFor(this, ctx(), fileCopy_)); });
    connect(settingsButton_, &QPushButton::clicked, this, &UnitWindow::showSettings);
    connect(menuButton_, &QPushButton::clicked, this, &UnitWindow::backToMenu);

    addFileToolbar(text1_,
                   {[this] { openFile(); }, [this] { saveFile(); }, [this] { printList(); }, [this] { deleteFile(); }});
}

UnitForm UnitWindow::form() const
{
    UnitForm f;
    f.fileName = text1_->text();
    for (int c = 1; c <= kVuxChannels; ++c) {
        const size_t i = size_t(c - 1);
        VuxChannel &ch = f.settings.vux.channel(c);
        ch.name = text3_[i]->text();
        ch.decimalPoint = combo1_[i]->currentText();
        ch.unit = text4_[i]->text();
        ch.rate = text5_[i]->text();
    }
    for (size_t i = 0; i < size_t(kCompareChannels); ++i)
        f.settings.vux.compare[i] = text6_[i]->text();
    f.settings.ux.decimalPoint1 = combo2_[0]->currentText();
    f.settings.ux.decimalPoint2 = combo2_[1]->currentText();
    f.settings.ux.unit = text7_->text();
    f.settings.ux.indicator = combo3_->currentText();
    return f;
}

void UnitWindow::showForm(const UnitForm &f)
{
    // A loaded name is shown as it is, not converted again.
    loading_ = true;
    if (text1_->text() != f.fileName)
        text1_->setText(f.fileName);
    for (int c = 1; c <= kVuxChannels; ++c) {
        const size_t i = size_t(c - 1);
        const VuxChannel &ch = f.settings.vux.channel(c);
        text3_[i]->setText(ch.name);
        previousName_[i] = ch.name;
        setBoxText(combo1_[i], ch.decimalPoint);
        text4_[i]->setText(ch.unit);
        text5_[i]->setText(ch.rate);
    }
    for (size_t i = 0; i < size_t(kCompareChannels); ++i)
        text6_[i]->setText(f.settings.vux.compare[i]);
    setBoxText(combo2_[0], f.settings.ux.decimalPoint1);
    setBoxText(combo2_[1], f.settings.ux.decimalPoint2);
    text7_->setText(f.settings.ux.unit);
    setBoxText(combo3_, f.settings.ux.indicator);
    loading_ = false;
}

void UnitWindow::onNameEdited(int index)
{
    if (loading_ || ctx().state.toolState == UnitStates::Open)
        return;
    QLineEdit *e = text3_[size_t(index)];
    displayform::EditingRules rules;
    rules.warnAboveBytes = 0;
    const displayform::Edit edit =
        displayform::convert(previousName_[size_t(index)], e->text(), e->cursorPosition(), rules);
    previousName_[size_t(index)] = edit.text;
    if (edit.text != e->text()) {
        e->setText(edit.text);
        e->setCursorPosition(edit.caret);
    }
}

bool UnitWindow::hasUnsavedEdits() const { return form().settings != clean_; }

void UnitWindow::browse()
{
    const QString path = pickFile(MsdDialog::Open, text1_->text());
    if (!path.isEmpty())
        text1_->setText(path);
}

std::optional<Chosen> UnitWindow::chooseIn(qint16 state)
{
    ctx().state.toolState = state;
    auto chosen = choose ? choose() : UxNumDialog::ask(ctx(), this);
    ctx().state.toolState = UnitStates::Idle;
    return chosen;
}

void UnitWindow::openFile()
{
    if (!confirmDiscard())
        return;
    const auto chosen = chooseIn(UnitStates::Open);
    if (!chosen)
        return;
    UnitForm f = form();
    ctx().state.toolState = UnitStates::Open;
    const bool opened = ops_.open(f, chosen->model, chosen->number);
    showForm(f);
    if (opened)
        clean_ = form().settings;
    ctx().state.toolState = UnitStates::Idle;
}

void UnitWindow::saveFile()
{
    const auto chosen = chooseIn(UnitStates::Save);
    if (!chosen)
        return;
    UnitForm f = form();
    Fault fault;
    ctx().state.toolState = UnitStates::Save;
    const bool saved = ops_.save(f, chosen->model, chosen->number, &fault);
    ctx().state.toolState = UnitStates::Idle;
    showForm(f);
    if (saved)
        clean_ = form().settings;
    if (!fault.ok())
        focusFault(chosen->model, fault);
}

void UnitWindow::deleteFile()
{
    const auto chosen = chooseIn(UnitStates::Delete);
    if (!chosen)
        return;
    UnitForm f = form();
    ctx().state.toolState = UnitStates::Delete;
    ops_.remove(f, chosen->model, chosen->number);
    ctx().state.toolState = UnitStates::Idle;
    showForm(f);
}

void UnitWindow::printList()
{
    UnitForm f = form();
    const auto text = ops_.printText(f);
    showForm(f);
    if (text)
        listprinter::printAndTell(ctx().messenger(), *text, f.fileName);
}

void UnitWindow::readPrinter()
{
    if (!confirmDiscard())
        return;
    UnitForm f = form();
    const bool read = transfer_.read(f.settings);
    showForm(f);
    readTotal_ = 0;
    if (read)
        clean_ = form().settings;
}

void UnitWindow::registerPrinter()
{
    UnitForm f = form();
    Fault fault;
    Model model = Model::None;
    const auto chooseBefore = transfer_.choose;
    // Which model failed its check decides the box to focus.
    transfer_.choose = [&]() -> std::optional<Chosen> {
        auto c = chooseBefore();
        if (c)
            model = c->model;
        return c;
    };
    transfer_.registerChannel(f.settings, &fault);
    transfer_.choose = chooseBefore;
    showForm(f);
    if (!fault.ok())
        focusFault(model, fault);
}

void UnitWindow::focusFault(Model model, const Fault &fault)
{
    const int c = qBound(1, fault.channel, model == Model::Ux ? kUxChannels : kVuxChannels);
    const size_t i = size_t(c - 1);
    QWidget *target = nullptr;
    switch (fault.field) {
    case Field::Name:
        target = text3_[i];
        if (fault.caret >= 0)
            text3_[i]->setCursorPosition(fault.caret);
        break;
    case Field::DecimalPoint:
        target = model == Model::Ux ? combo2_[i] : combo1_[i];
        break;
    case Field::Rate:
        target = text5_[i];
        break;
    case Field::Compare:
        target = text6_[qMin(i, size_t(kCompareChannels - 1))];
        break;
    case Field::Unit:
        target = model == Model::Ux ? static_cast<QWidget *>(text7_) : text4_[i];
        break;
    case Field::Indicator:
        target = combo3_;
        break;
    case Field::None:
        break;
    }
    if (target)
        target->setFocus();
}

void UnitWindow::openSubMenu()
{
    if (subMenu_) {
        subMenu_->raise();
        return;
    }
    subMenu_ = new UxSubMenu(ctx(), transfer_, this);
    subMenu_->move(openButton_->mapToGlobal(QPoint(0, 0)));
    adopt(subMenu_);
    subMenu_->show();
}

} // namespace unit
