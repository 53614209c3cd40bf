#include "trafficwindow.h"

#include "base/savefile.h"
#include "comm/appcontext.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("通信ログ");
const QString kPauseCaption = QStringLiteral("一時停止");
const QString kResumeCaption = QStringLiteral("再開");

QString defaultSavePath(QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("通信ログの保存"),
                                        QDir::home().filePath(QStringLiteral("通信ログ.txt")),
                                        QStringLiteral("テキストファイル (*.txt)"));
}

} // namespace

TrafficWindow::TrafficWindow(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Window), ctx_(ctx), feed_(ctx.serialLink().trafficLog())
{
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(kTitle);
    chooseSavePath = defaultSavePath;

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("TrafficText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(kLinesKept);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setStyleHint(QFont::TypeWriter);
    text_->setFont(mono);

    pause_ = new QPushButton(kPauseCaption, this);
    pause_->setObjectName(QStringLiteral("PauseButton"));
    clear_ = new QPushButton(QStringLiteral("クリア"), this);
    clear_->setObjectName(QStringLiteral("ClearButton"));
    save_ = new QPushButton(QStringLiteral("保存..."), this);
    save_->setObjectName(QStringLiteral("SaveButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(text_, 1);
    resize(760, 420);

    connect(pause_, &QPushButton::clicked, this, [this] { setPaused(!paused_); });
    connect(clear_, &QPushButton::clicked, this, &TrafficWindow::clear);
    connect(save_, &QPushButton::clicked, this, &TrafficWindow::save);
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("RepaintTimer"));
    timer_->setInterval(kRepaintMs);
    connect(timer_, &QTimer::timeout, this, &TrafficWindow::pull);
    timer_->start();
}

void TrafficWindow::setPaused(bool paused)
{
    paused_ = paused;
    pause_->setText(paused ? kResumeCaption : kPauseCaption);
    if (!paused)
        pull();
}

void TrafficWindow::clear()
{
    text_->clear();
    feed_.skipToEnd();
}

void TrafficWindow::pull()
{
    if (paused_)
        return;
    const TrafficFeed::Batch batch = feed_.next(kLinesPerRepaint);
    if (batch.lines.isEmpty() && batch.skipped == 0)
        return;
    QScrollBar *bar = text_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum() - 2;
    QString block;
    if (batch.skipped > 0)
        block = QStringLiteral("--  (%1 行を省略)\n").arg(batch.skipped);
    block += batch.lines.join(QLatin1Char('\n'));
    if (block.endsWith(QLatin1Char('\n')))
        block.chop(1);
    // One append per repaint, however many lines came.
    text_->appendPlainText(block);
    if (following)
        bar->setValue(bar->maximum());
}

void TrafficWindow::save()
{
    const QString path = chooseSavePath ? chooseSavePath(this) : QString();
    if (path.isEmpty())
        return;
    QString error;
    if (!savefile::replace(path, text_->toPlainText().toUtf8() + '\n', &error)) {
        ctx_.messenger().showMessage(QStringLiteral("通信ログを保存できませんでした。\r\n%1").arg(error),
                                     Icon::Exclamation, kTitle);
    }
}
