#include "ticketdialogs.h"

#include "shell/ui/dialogkeys.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "ticket/ticketconversion.h"
#include "ticket/ticketnumber.h"
#include "ticket/ticketprintersettings.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QHBoxLayout *okCancel(QPushButton *ok, QPushButton *cancel)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

} // namespace

CentredWindow::CentredWindow(QWidget *parent) : QWidget(parent, Qt::Window) { setAttribute(Qt::WA_DeleteOnClose); }

void CentredWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void CentredWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && onClose) {
        auto hook = std::move(onClose);
        onClose = nullptr;
        hook();
    }
}

// ---- TqNum ------------------------------------------------------------

TicketNumberDialog::TicketNumberDialog(AppContext &ctx, TicketPrinterSettings &settings, bool rawNumberModel,
                                       Hooks hooks, QWidget *parent)
    : CentredWindow(parent), ctx_(ctx), settings_(settings), raw_(rawNumberModel), state_(ctx.state.toolState),
      hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("TqNum"));
    const auto v = ticketnumber::variantFor(state_, raw_).value_or(ticketnumber::Variant());
    setWindowTitle(v.caption);
    auto *label1 = new QLabel(v.label, this);
    label1->setObjectName(QStringLiteral("Label1"));
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMaxLength(v.maxLength);
    text1_->setFixedWidth(70);
    upDown1_ = new QSpinBox(this);
    upDown1_->setObjectName(QStringLiteral("UpDown1"));
    upDown1_->setRange(v.minimum, v.maximum);
    upDown1_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    upDown1_->setFixedWidth(20);
    // Only its arrows count: they write into the number box.
    if (auto *inner = upDown1_->findChild<QLineEdit *>())
        inner->setVisible(false);
    connect(upDown1_, &QSpinBox::valueChanged, this, [this](int value) { text1_->setText(QString::number(value)); });

    auto *ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto *cancel = button(QStringLiteral("Command2"), QStringLiteral("キャンセル"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TicketNumberDialog::ok);
    connect(text1_, &QLineEdit::returnPressed, this, &TicketNumberDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    cancelOnEscape(this, cancel);

    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(text1_);
    numberRow->addWidget(upDown1_);
    numberRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addLayout(numberRow);
    layout->addLayout(okCancel(ok, cancel));
}

void TicketNumberDialog::ok()
{
    const auto accepted = ticketnumber::accept(text1_->text(), state_, raw_);
    if (!accepted) {
        ctx_.messenger().showCatalogMessage(msg::BadNumber);
        text1_->setFocus();
        return;
    }
    if (hooks_.chosen)
        hooks_.chosen(accepted->number);
    if (ticketnumber::returnsNumber(state_)) {
        close();
        return;
    }
    if (accepted->barcodeHeight) {
        if (hooks_.barcodeHeight)
            hooks_.barcodeHeight(*accepted->barcodeHeight);
        ctx_.messenger().showCatalogMessage(msg::FinishByRegistering);
        close();
        return;
    }
    // The operation runs in this dialog's state; it stays open to retry
    // when the printer did not confirm.
    ctx_.state.toolState = state_;
    setEnabled(false);
    const bool done = settings_.run(accepted->number);
    setEnabled(true);
    if (done)
        close();
}

void TicketNumberDialog::closeEvent(QCloseEvent *event)
{
    if (settings_.runner().busy()) {
        event->ignore();
        return;
    }
    ctx_.state.toolState = ticketnumber::stateAfterClose(state_);
    CentredWindow::closeEvent(event);
}

// ---- TqEn -------------------------------------------------------------

TicketEnableWindow::TicketEnableWindow(AppContext &ctx, TicketPrinterSettings &settings, bool *issueEnable,
                                       QWidget *parent)
    : CentredWindow(parent), ctx_(ctx), settings_(settings), issueEnable_(issueEnable)
{
    setObjectName(QStringLiteral("TqEn"));
    setWindowTitle(QStringLiteral("TQ発券許可／禁止"));
    enable_ = new QRadioButton(QStringLiteral("発券許可"), this);
    enable_->setObjectName(QStringLiteral("Option1"));
    disable_ = new QRadioButton(QStringLiteral("発券禁止"), this);
    disable_->setObjectName(QStringLiteral("Option2"));
    (*issueEnable_ ? enable_ : disable_)->setChecked(true);
    connect(enable_, &QRadioButton::clicked, this, [this] { *issueEnable_ = true; });
    connect(disable_, &QRadioButton::clicked, this, [this] { *issueEnable_ = false; });
    auto *ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto *cancel = button(QStringLiteral("Command2"), QStringLiteral("キャンセル"), this);
    connect(ok, &QPushButton::clicked, this, &TicketEnableWindow::ok);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    cancelOnEscape(this, cancel);
    onClose = [this] { ctx_.state.toolState = 620; };

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addWidget(disable_);
    layout->addLayout(okCancel(ok, cancel));
}

void TicketEnableWindow::ok()
{
    setEnabled(false);
    const bool done = settings_.setIssueEnable(*issueEnable_);
    setEnabled(true);
    // Confirmed: back to the sub menu.
    if (done)
        close();
}

// ---- TqSub ------------------------------------------------------------

TicketSubMenu::TicketSubMenu(AppContext &ctx, Hooks hooks, QWidget *parent) : CentredWindow(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("TqSub"));
    setWindowTitle(QStringLiteral("TQサブメニュー"));
    struct Row {
        const char16_t *caption;
        const char16_t *tip;
        qint16 state;
    };
    static const Row kRows[] = {
        {u"開始番号指定", u"リセット後の最初の番号を指定します", 621},
        {u"番号強制指定", u"次に発券する番号を指定します", 622},
        {u"発券内容選択", u"登録されている内容から１種類選択します", 623},
        {u"発券許可/禁止", u"発券動作の許可、禁止を指示します", 624},
        {u"バーコード詳細", u"バーコードのサイズを指定します", 625},
        {u"データ出力確認", u"プリンタからの出力を確認します", 626},
    };
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < 6; ++i) {
        const Row &r = kRows[i];
        QPushButton *b = button(QStringLiteral("Command%1").arg(i + 1), QString::fromUtf16(r.caption), this);
        b->setToolTip(QString::fromUtf16(r.tip));
        b->setMinimumSize(150, 32);
        layout->addWidget(b);
        const qint16 state = r.state;
        connect(b, &QPushButton::clicked, this, [this, state, b, hooks] {
            // One of its windows at a time.
            if (ctx_.state.toolState != 620)
                return;
            ctx_.state.toolState = state;
            if (state == 624)
                hooks.enableWindow();
            else if (state == 626)
                hooks.outputMonitor(b);
            else
                hooks.numberDialog();
        });
    }
    QPushButton *cancel = button(QStringLiteral("Command7"), QStringLiteral("キャンセル"), this);
    cancel->setMinimumSize(150, 32);
    layout->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    cancelOnEscape(this, cancel);
}

// ---- TqAux ------------------------------------------------------------

TicketAuxWindow::TicketAuxWindow(const QColor &background, Hooks hooks, QWidget *parent)
    : CentredWindow(parent), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("TqAux"));
    setWindowTitle(QStringLiteral("Tq作成補助"));
    if (background.isValid()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, background);
        setPalette(p);
        setAutoFillBackground(true);
    }
    static const char16_t *const kCaptions[] = {u"紙送り指定", u"番号の印字", u"バーコード",   u"年～分指定",
                                                u"年月日指定", u"月日指定",   u"月日時分指定", u"時分指定"};
    const QStringList codes = ticketconversion::placeholders();
    auto *frame = new QGroupBox(QStringLiteral("入力コード"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    for (int i = 0; i < 8; ++i) {
        auto *option = new QRadioButton(QString::fromUtf16(kCaptions[i]), frame);
        option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        const QString code = codes.value(i);
        connect(option, &QRadioButton::clicked, this, [this, code] {
            QClipboard *clip = QApplication::clipboard();
            clip->clear();
            clip->setText(code);
            chosen_ = true;
        });
        grid->addWidget(option, i / 2, i % 2);
    }
    auto *ok = button(QStringLiteral("Command1"), QStringLiteral("OK"), this);
    auto *cancel = button(QStringLiteral("Command2"), QStringLiteral("キャンセル"), this);
    connect(ok, &QPushButton::clicked, this, [this] {
        QClipboard *clip = QApplication::clipboard();
        if (chosen_ && hooks_.insert)
            hooks_.insert(clip->text());
        clip->clear();
        clip->setText(QString());
        chosen_ = false;
        close();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        chosen_ = false;
        if (hooks_.focusBack)
            hooks_.focusBack();
        close();
    });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(okCancel(ok, cancel));
}
