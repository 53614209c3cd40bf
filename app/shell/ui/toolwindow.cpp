#include "toolwindow.h"

#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "contrast.h"
#include "filetoolbar.h"
#include "shell/lastfiles.h"
#include "shell/launcher.h"
#include "statusstrip.h"
#include "toolhost.h"
#include "trafficwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>

namespace {

constexpr int px(int twips) { return twips / launcher::kTwipsPerPixel; }
constexpr int kToolbarHeight = 38;

// The caption in black or white, whichever reads on the colour, also
// while the button is disabled (a blinking button often is).
void paintButton(QPushButton *b, const QColor &colour)
{
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, colour);
    const QColor ink = contrast::readableInk(colour);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::ButtonText, ink);
    b->setPalette(pal);
}

QIcon trafficIcon()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x2E, 0x6D, 0xB4), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(4, 8), QPointF(19, 8));
    p.drawPolyline(QPolygonF({QPointF(15, 4), QPointF(19, 8), QPointF(15, 12)}));
    p.setPen(QPen(QColor(0x3A, 0x8E, 0x5C), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(20, 16), QPointF(5, 16));
    p.drawPolyline(QPolygonF({QPointF(9, 12), QPointF(5, 16), QPointF(9, 20)}));
    return QIcon(pm);
}

const QString kTrafficCaption = QStringLiteral("通信ログ");
const QString kDiscardTitle = QStringLiteral("破棄の確認");
const QString kDiscardText = QStringLiteral("編集中の内容が保存されていません。\r\n破棄してよろしいですか?");

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

    strip_ = new StatusStrip(ctx, this);
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { host_.openHelp(); });
    auto *traffic = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(traffic, &QShortcut::activated, this, &ToolWindow::showTrafficWindow);
    // One tool is open at a time: the newest window owns the hook.
    ctx.channel().replyWaitChanged = [self = QPointer<ToolWindow>(this)](bool on) {
        if (self)
            self->setWaitCursor(on);
    };
}

ToolWindow::~ToolWindow() { setWaitCursor(false); }

void ToolWindow::setWaitCursor(bool on)
{
    if (waitCursor_ == on)
        return;
    waitCursor_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

QString ToolWindow::pickFile(MsdDialog kind, const QString &current)
{
    const QString start = current.trimmed().isEmpty() ? lastfiles::lastFile(objectName()) : current;
    const QString path = chooseFile ? chooseFile(this, kind, start) : QString();
    rememberFile(path);
    return path;
}

void ToolWindow::rememberFile(const QString &path) { lastfiles::remember(objectName(), path); }

void ToolWindow::rememberFileBox()
{
    if (fileBox_ && QFileInfo(fileBox_->text()).isFile())
        rememberFile(fileBox_->text());
}

bool ToolWindow::confirmDiscard()
{
    if (!hasUnsavedEdits())
        return true;
    PromptRequest request;
    request.title = kDiscardTitle;
    request.text = kDiscardText;
    request.style = MessageStyle(Icon::Exclamation, Buttons::YesNo, 1);
    return ctx_.prompter().ask(request) == Answer::Yes;
}

bool ToolWindow::confirmClose()
{
    if (!closeConfirmed_)
        closeConfirmed_ = confirmDiscard();
    return closeConfirmed_;
}

void ToolWindow::showProgress(int done, int total) { strip_->showProgress(done, total); }

void ToolWindow::endProgress() { strip_->endProgress(); }

TrafficWindow *ToolWindow::showTrafficWindow()
{
    if (!traffic_) {
        traffic_ = new TrafficWindow(ctx_, this);
        traffic_->setAttribute(Qt::WA_DeleteOnClose);
        // Beside the tool, kept on the screen.
        const QRect frame = frameGeometry();
        QPoint at(frame.right() + 8, frame.top());
        if (const QScreen *s = screen()) {
            const QRect room = s->availableGeometry();
            at.setX(qMax(room.left(), qMin(at.x(), room.right() - traffic_->width())));
            at.setY(qMax(room.top(), qMin(at.y(), room.bottom() - traffic_->height())));
        }
        traffic_->move(at);
        adopt(traffic_);
    }
    traffic_->show();
    traffic_->raise();
    traffic_->activateWindow();
    return traffic_;
}

QAction *ToolWindow::addTrafficButton(QToolBar *bar)
{
    bar->addSeparator();
    QAction *a = bar->addAction(trafficIcon(), kTrafficCaption);
    a->setObjectName(QStringLiteral("TrafficButton"));
    a->setToolTip(kTrafficCaption + QStringLiteral(" (Ctrl+L)"));
    connect(a, &QAction::triggered, this, &ToolWindow::showTrafficWindow);
    return a;
}

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
    setFileBox(fileBox);
    const auto chooseThen = [this, fileBox](MsdDialog kind, const std::function<void()> &then) {
        const QString path = pickFile(kind, fileBox->text());
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
    // The keys everyone expects; the captions stay as they are. F1 is the
    // window's own shortcut (it works without a toolbar too).
    const std::pair<QAction *, QKeySequence> keys[] = {
        {toolbar_->openAction(), QKeySequence(Qt::CTRL | Qt::Key_O)},
        {toolbar_->saveAction(), QKeySequence(Qt::CTRL | Qt::Key_S)},
        {toolbar_->printAction(), QKeySequence(Qt::CTRL | Qt::Key_P)},
    };
    for (const auto &[action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    addTrafficButton(toolbar_);
    return toolbar_;
}

void ToolWindow::load()
{
    AppState &st = ctx_.state;
    if (st.launcherMaximized) {
        setWindowState(Qt::WindowMaximized);
    } else {
        // The block keeps its design size; the strip goes below it.
        resize(px(launcher::kDesignWidth), px(launcher::kDesignHeight) + StatusStrip::kHeight);
        move(px(st.launcherLeft), px(st.launcherTop));
    }
    if (interfaces_ == Interfaces::SerialOnly) {
        st.output.interfaceName = kInterfaceSerial;
        ctx_.channel().openSerialPort();
    }
    if (fileBox_ && fileBox_->text().isEmpty()) {
        const QString last = lastfiles::lastFile(objectName());
        if (QFileInfo(last).isFile())
            fileBox_->setText(last);
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
    strip_->setGeometry(0, height() - StatusStrip::kHeight, width(), StatusStrip::kHeight);
    strip_->raise();
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
    if (!confirmClose())
        return;
    rememberFileBox();
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
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    rememberFileBox();
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
