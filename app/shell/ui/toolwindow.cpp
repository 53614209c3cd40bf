#include "toolwindow.h"

#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "filetoolbar.h"
#include "shell/launcher.h"
#include "toolhost.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int px(int twips) { return twips / launcher::kTwipsPerPixel; }
constexpr int kToolbarHeight = 38;

void paintButton(QPushButton *b, const QColor &colour)
{
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, colour);
    b->setPalette(pal);
}

} // namespace

ToolWindow::ToolWindow(AppContext &ctx, ToolHost &host, const QString &objectName, const QString &title,
                       Interfaces interfaces, QWidget *parent)
    : QWidget(parent), ctx_(ctx), host_(host), interfaces_(interfaces)
{
    setObjectName(objectName);
    setWindowTitle(title);
    block_ = new QWidget(this);
    block_->setObjectName(QStringLiteral("Block"));
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(kBlinkMs);
    connect(blinkTimer_, &QTimer::timeout, this, &ToolWindow::blink);
}

ToolWindow::~ToolWindow() = default;

QPushButton *ToolWindow::addCommand(int n, const QString &caption, int x, int y, int w)
{
    auto *b = new QPushButton(caption, block_);
    b->setObjectName(QStringLiteral("Command%1").arg(n));
    b->setGeometry(x, y, w, 32);
    if (commands_.isEmpty())
        buttonPalette_ = b->palette();
    commands_ << b;
    return b;
}

FileToolbar *ToolWindow::addFileToolbar(QLineEdit *fileBox, FileActions actions)
{
    toolbar_ = new FileToolbar(this);
    const auto chooseThen = [this, fileBox](MsdDialog kind, const std::function<void()> &then) {
        const QString path = chooseFile ? chooseFile(this, kind, fileBox->text()) : QString();
        if (path.isEmpty())
            return;
        fileBox->setText(path);
        if (then)
            then();
    };
    connect(toolbar_->openAction(), &QAction::triggered, this,
            [chooseThen, open = actions.open] { chooseThen(MsdDialog::Open, open); });
    connect(toolbar_->saveAction(), &QAction::triggered, this,
            [chooseThen, save = actions.save] { chooseThen(MsdDialog::Save, save); });
    if (actions.print)
        connect(toolbar_->printAction(), &QAction::triggered, this, actions.print);
    if (actions.remove)
        connect(toolbar_->deleteAction(), &QAction::triggered, this, actions.remove);
    connect(toolbar_->helpAction(), &QAction::triggered, this, [this] { host_.openHelp(); });
    return toolbar_;
}

void ToolWindow::load()
{
    AppState &st = ctx_.state;
    if (st.launcherMaximized) {
        setWindowState(Qt::WindowMaximized);
    } else {
        resize(px(launcher::kDesignWidth), px(launcher::kDesignHeight));
        move(px(st.launcherLeft), px(st.launcherTop));
    }
    if (interfaces_ == Interfaces::SerialOnly) {
        st.output.interfaceName = kInterfaceSerial;
        ctx_.channel().openSerialPort();
    }
    loaded_ = true;
    layoutBlock();
}

void ToolWindow::layoutBlock()
{
    const int ox = loaded_ ? px(ctx_.state.contentOffsetX) : 0;
    const int oy = loaded_ ? px(ctx_.state.contentOffsetY) : 0;
    block_->setGeometry(ox, oy, px(launcher::kDesignWidth), px(launcher::kDesignHeight));
    if (toolbar_) {
        toolbar_->setGeometry(0, 0, width(), kToolbarHeight);
        toolbar_->raise();
    }
}

void ToolWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        launcher::applyResize(ctx_.state, width() * launcher::kTwipsPerPixel, height() * launcher::kTwipsPerPixel);
    layoutBlock();
}

QPoint ToolWindow::below(int offsetTwips) const
{
    const QRect frame = frameGeometry();
    return {frame.left(), frame.top() + frame.height() - px(offsetTwips)};
}

void ToolWindow::adopt(QWidget *subWindow)
{
    subWindows_.removeAll(nullptr);
    if (!subWindows_.contains(subWindow))
        subWindows_ << subWindow;
}

void ToolWindow::closeSubWindows()
{
    for (const QPointer<QWidget> &w : std::as_const(subWindows_)) {
        if (w)
            w->close();
    }
    host_.closeSettings();
}

void ToolWindow::showSettings() { host_.openSettings(this, interfaces_ == Interfaces::SerialOnly); }

void ToolWindow::backToMenu()
{
    AppState &st = ctx_.state;
    if (!isMaximized() && !st.launcherMaximized) {
        st.launcherLeft = x() * launcher::kTwipsPerPixel;
        st.launcherTop = y() * launcher::kTwipsPerPixel;
    }
    closeSubWindows();
    host_.returnToMenu();
}

void ToolWindow::closeEvent(QCloseEvent *event)
{
    // The close box ends the program: the port is closed and its defaults
    // put back on the way out.
    closeSubWindows();
    event->accept();
    host_.quitFromTool();
}

void ToolWindow::setBusy(bool on, const QList<QPushButton *> &stillEnabled, const QList<Blink> &blinking)
{
    busy_ = on;
    for (QPushButton *b : std::as_const(commands_))
        b->setEnabled(!on || stillEnabled.contains(b));
    if (toolbar_) {
        for (QAction *a :
             {toolbar_->openAction(), toolbar_->saveAction(), toolbar_->printAction(), toolbar_->deleteAction()})
            a->setEnabled(!on);
    }
    for (const Blink &b : std::as_const(blinking_))
        b.button->setPalette(buttonPalette_);
    blinking_ = on ? blinking : QList<Blink>{};
    blinkPhase_ = false;
    if (blinking_.isEmpty()) {
        blinkTimer_->stop();
        return;
    }
    blink();
    blinkTimer_->start();
}

void ToolWindow::blink()
{
    blinkPhase_ = !blinkPhase_;
    for (const Blink &b : std::as_const(blinking_))
        paintButton(b.button, blinkPhase_ != b.inverted ? b.on : b.off);
}
