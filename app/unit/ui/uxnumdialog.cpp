#include "uxnumdialog.h"

#include "shell/ui/dialogkeys.h"

#include "comm/appcontext.h"
#include "comm/eventwait.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace unit {

namespace {

SelectionTexts textsFor(qint16 state)
{
    // Any other state is a caller's slip; treat it as a file operation.
    return selectionTexts(state).value_or(SelectionTexts{Purpose::File, QString(), QString(), 2});
}

} // namespace

UxNumDialog::UxNumDialog(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Dialog), ctx_(ctx), texts_(textsFor(ctx.state.toolState)),
      number_(texts_.purpose == Purpose::File ? kFileWaiting : kPrinterWaiting)
{
    setObjectName(QStringLiteral("UxNum"));
    setWindowTitle(texts_.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(300, 190);

    auto *prompt = new QLabel(texts_.prompt.split(QStringLiteral("\r\n")).join(u'\n'), this);
    prompt->setObjectName(QStringLiteral("Label1"));
    prompt->setGeometry(16, 10, 270, 44);

    option1_ = new QRadioButton(kVuxOption, this);
    option1_->setObjectName(QStringLiteral("Option1"));
    option1_->setGeometry(16, 62, 120, 24);
    option2_ = new QRadioButton(kUxOption, this);
    option2_->setObjectName(QStringLiteral("Option2"));
    option2_->setGeometry(16, 92, 120, 24);

    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMaxLength(texts_.numberLength);
    text1_->setGeometry(170, 76, 48, 24);
    // The up-down control: the up arrow counts up.
    upDown1_ = new QScrollBar(Qt::Vertical, this);
    upDown1_->setObjectName(QStringLiteral("UpDown1"));
    upDown1_->setRange(1, lastNumber(texts_.purpose));
    upDown1_->setPageStep(1);
    upDown1_->setInvertedAppearance(true);
    upDown1_->setInvertedControls(true);
    upDown1_->setGeometry(220, 72, 18, 32);
    connect(upDown1_, &QScrollBar::valueChanged, this, [this](int v) { text1_->setText(QString::number(v)); });

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("Command1"));
    ok_->setGeometry(60, 140, 90, 30);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("Command2"));
    cancel_->setGeometry(160, 140, 90, 30);

    connect(option1_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onModel();
    });
    connect(option2_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onModel();
    });
    connect(ok_, &QPushButton::clicked, this, &UxNumDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &UxNumDialog::cancel);
    cancelOnEscape(this, cancel_);
    // Until a model is chosen the number box shows for a file only.
    text1_->setVisible(texts_.purpose == Purpose::File);
    upDown1_->setVisible(texts_.purpose == Purpose::File);
}

void UxNumDialog::onModel()
{
    model_ = option1_->isChecked() ? Model::Vux : Model::Ux;
    const bool shown = asksNumber(model_, texts_.purpose);
    text1_->setVisible(shown);
    upDown1_->setVisible(shown);
    if (shown)
        text1_->setFocus();
}

void UxNumDialog::accept()
{
    const QString text = asksNumber(model_, texts_.purpose) ? text1_->text() : QStringLiteral("1");
    const Selection s = checkSelection(model_, text, texts_.purpose);
    if (!s.ok()) {
        ctx_.messenger().showCatalogMessage(s.code);
        return;
    }
    number_ = s.number;
    close();
}

void UxNumDialog::cancel()
{
    number_ = texts_.purpose == Purpose::File ? kFileCancelled : kPrinterCancelled;
    close();
}

void UxNumDialog::closeEvent(QCloseEvent *event)
{
    // The frame's close box counts as cancel, so the waiting caller ends.
    const int waiting = texts_.purpose == Purpose::File ? kFileWaiting : kPrinterWaiting;
    if (number_ == waiting)
        number_ = texts_.purpose == Purpose::File ? kFileCancelled : kPrinterCancelled;
    ctx_.state.toolState = UnitStates::Idle;
    event->accept();
    emit answered(number_, model_);
}

std::optional<Chosen> UxNumDialog::ask(AppContext &ctx, QWidget *parent)
{
    QPointer<UxNumDialog> dialog = new UxNumDialog(ctx, parent);
    const Purpose purpose = dialog->purpose();
    const int waiting = purpose == Purpose::File ? kFileWaiting : kPrinterWaiting;
    int number = waiting;
    Model model = Model::None;
    const auto onAnswer = connect(dialog, &UxNumDialog::answered, [&number, &model](int n, Model m) {
        number = n;
        model = m;
    });
    // Deleted with its parent before it could answer: cancelled.
    const auto onGone = connect(dialog, &QObject::destroyed, [&number, waiting, purpose] {
        if (number == waiting)
            number = purpose == Purpose::File ? kFileCancelled : kPrinterCancelled;
    });
    if (parent) {
        const QWidget *owner = parent->window();
        dialog->move(owner->geometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    eventwait::pumpUntil([&] { return number != waiting; }, eventwait::kNoPoll);
    // The lambdas hold this frame's locals.
    disconnect(onAnswer);
    disconnect(onGone);
    if (dialog && dialog->isVisible())
        dialog->close();
    if (number < 1 || number > lastNumber(purpose))
        return std::nullopt;
    return Chosen{model, number};
}

} // namespace unit
