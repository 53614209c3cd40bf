#include "outputdisplaywindow.h"

#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/receiver.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

OutputDisplayWindow::OutputDisplayWindow(AppContext &ctx, const Options &options, QWidget *parent)
    : QWidget(parent, Qt::Window), ctx_(ctx), options_(options), monitor_(ctx.state, ctx.channel().rx())
{
    setObjectName(QStringLiteral("OutDsp"));
    setWindowTitle(QStringLiteral("出力表示"));
    if (options_.background.isValid()) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, options_.background);
        setPalette(pal);
    }

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text1"));
    text_->setReadOnly(true);
    text_->setMaximumBlockCount(OutputMonitor::kMaxLines);
    text_->setUndoRedoEnabled(false);

    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command1"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    resize(600, 420);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(kTickMs);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &OutputDisplayWindow::tick);
    connect(&ctx_.receiver(), &Receiver::bytesFramed, this, &OutputDisplayWindow::received);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

// Destroyed without being closed (its owner goes away): the owner has set
// the tool state it wants, so the monitor leaves it alone.
OutputDisplayWindow::~OutputDisplayWindow() = default;

OutputDisplayWindow *OutputDisplayWindow::open(AppContext &ctx, const Options &options, QWidget *parent)
{
    auto *window = new OutputDisplayWindow(ctx, options, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

void OutputDisplayWindow::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    show();
    QPointer<OutputDisplayWindow> self(this);
    eventwait::pumpUntil([&self] { return !self || !self->isVisible(); }, eventwait::kNoPoll);
}

QStringList OutputDisplayWindow::lines() const
{
    if (text_->document()->isEmpty())
        return {};
    return text_->toPlainText().split(u'\n');
}

void OutputDisplayWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (monitor_.running())
        return; // shown again after being minimised
    monitor_.start(options_.unitModel);
    text_->clear();
    centre();
}

void OutputDisplayWindow::closeEvent(QCloseEvent *event)
{
    timer_->stop();
    monitor_.stop();
    event->accept();
    emit closed();
}

void OutputDisplayWindow::received()
{
    if (!monitor_.running())
        return;
    monitor_.collect();
    if (monitor_.hasPending() && !timer_->isActive())
        timer_->start();
}

void OutputDisplayWindow::tick()
{
    const QStringList lines = monitor_.takeLines();
    if (lines.isEmpty())
        return;
    // One insertion per tick; the block limit drops the oldest lines.
    text_->appendPlainText(lines.join(u'\n'));
    text_->moveCursor(QTextCursor::End);
    text_->ensureCursorVisible();
}

void OutputDisplayWindow::centre()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
