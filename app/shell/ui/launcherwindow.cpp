#include "launcherwindow.h"

#include "base/settingsfile.h"
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/portio.h"
#include "comm/serialcontrol.h"
#include "comm/ui/comif.h"
#include "shell/launcher.h"
#include "shell/programfolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace {

constexpr int px(int twips) { return twips / launcher::kTwipsPerPixel; }

struct PanelSpec {
    const char *text;
    QColor colour;
    QColor accent;
    const char *glyph;
};

// Frame1..Frame7 in order.
const PanelSpec kPanels[7] = {
    {"WinQLM V1.3 LX-350QLM\r\nメッセージ作成ツール", QColor(0xDD, 0xEE, 0xFF), QColor(0x3A, 0x6E, 0xB5), "M"},
    {"WinTQ V1.2 K-2200TQ/K-07\r\nチケット作成ツール", QColor(0xE3, 0xF6, 0xE0), QColor(0x3E, 0x8E, 0x41), "T"},
    {"WinUX V1.3 UX/VUX-350Q\r\n単位設定ツール", QColor(0xFF, 0xF2, 0xD9), QColor(0xC0, 0x7A, 0x12), "U"},
    {"Kestrel V1.3 標準品\r\n印字テスト用ツール ", QColor(0xF9, 0xE2, 0xEE), QColor(0xB0, 0x3A, 0x74), "K"},
    {"Exit\r\nZentrixを終了します", QColor(0xEC, 0xEC, 0xEC), QColor(0x70, 0x70, 0x70), "\u23FB"},
    {"Drossel V2.3.5\r\n印字データ閲覧ツール", QColor(0xE6, 0xE2, 0xF8), QColor(0x5E, 0x4F, 0xA8), "D"},
    {"Palmira V1.1\r\n指紋データ管理ツール", QColor(0xDF, 0xF4, 0xF3), QColor(0x2B, 0x85, 0x80), "P"},
};

// A small printer with the tool's letter on its paper.
QPixmap panelPicture(const PanelSpec &spec, bool exit)
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(48, 48) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (exit) {
        p.setPen(QPen(spec.accent, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(10, 10, 28, 28), 120 * 16, 300 * 16);
        p.drawLine(QPointF(24, 6), QPointF(24, 22));
        return pm;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 4, 20, 18));
    p.setBrush(spec.accent);
    p.drawRoundedRect(QRectF(4, 18, 40, 18), 4, 4);
    p.setBrush(Qt::white);
    p.setPen(QPen(spec.accent.darker(130), 1));
    p.drawRect(QRectF(12, 30, 24, 15));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(spec.accent.darker(140));
    p.drawText(QRectF(12, 30, 24, 15), Qt::AlignCenter, QString::fromUtf8(spec.glyph));
    return pm;
}

QPixmap bannerPicture()
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(533, 64) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 533, 0);
    g.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    g.setColorAt(1, QColor(0x4F, 0x9D, 0xD9));
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, 533, 64), 10, 10);
    p.fillPath(path, g);
    QFont f = p.font();
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(20, 0, 300, 64), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Zentrix"));
    f.setPixelSize(14);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(200, 0, 320, 64), Qt::AlignVCenter | Qt::AlignRight, QStringLiteral("小型プリンタ ワークベンチ"));
    return pm;
}

} // namespace

LauncherWindow::LauncherWindow(AppContext &ctx, QWidget *parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("Main"));
    showTitle();
    endProcess = [] { QApplication::quit(); };
    openPage = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    buildPanels();
}

LauncherWindow::~LauncherWindow() = default;

void LauncherWindow::registerTool(Tool tool, ToolFactory factory) { factories_[tool] = std::move(factory); }

void LauncherWindow::buildPanels()
{
    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setPixmap(bannerPicture());

    for (int i = 0; i < 7; ++i) {
        auto *frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("Frame%1").arg(i + 1));
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setAutoFillBackground(true);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, kPanels[i].colour);
        frame->setPalette(pal);
        frame->setCursor(Qt::PointingHandCursor);
        frame->installEventFilter(this);

        auto *picture = new QLabel(frame);
        picture->setObjectName(QStringLiteral("Picture%1").arg(i + 1));
        picture->setPixmap(panelPicture(kPanels[i], i == 4));
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);

        auto *label = new QLabel(frame);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 2));
        QString text = QString::fromUtf8(kPanels[i].text);
        label->setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        label->setProperty("captionText", text); // exact caption, CR LF kept
        QFont f = label->font();
        f.setPointSize(10);
        label->setFont(f);
        label->installEventFilter(this);

        frames_ << frame;
        labels_ << label;
        pictures_ << picture;
    }

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setText(QStringLiteral("Zentrix  Ver. 1.94\nMay 23 2018\nZentrix Printer Works"));
    QFont small = label1_->font();
    small.setPointSize(9);
    label1_->setFont(small);

    command1_ = new QPushButton(QStringLiteral("Zentrixについて"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    QPalette bp = command1_->palette();
    bp.setColor(QPalette::Button, QColor(0xFF, 0xF1, 0x76));
    command1_->setPalette(bp);
    command1_->setAutoFillBackground(true);
    command1_->setStyleSheet(QStringLiteral("QPushButton#Command1 { background: #fff176; border: 1px solid #c9b93a;"
                                            " border-radius: 4px; padding: 4px 10px; }"
                                            "QPushButton#Command1:hover { background: #ffe94d; }"));
    connect(command1_, &QPushButton::clicked, this, &LauncherWindow::openHelp);

    setAutoFillBackground(true);
    QPalette wp = palette();
    wp.setColor(QPalette::Window, Qt::white);
    setPalette(wp);
    layoutBlock();
}

void LauncherWindow::layoutBlock()
{
    const int ox = px(ctx_.state.contentOffsetX);
    const int oy = px(ctx_.state.contentOffsetY);
    const int blockW = px(launcher::kDesignWidth);
    const int columnW = px(4000);
    const int gap = 14;
    const int left = ox + (blockW - (2 * columnW + gap)) / 2;

    image1_->setGeometry(ox + (blockW - 533) / 2, oy + 12, 533, 64);

    // Two columns: message / ticket, unit-setting / tester, fingerprint / viewer.
    const int order[6] = {0, 1, 2, 3, 6, 5};
    const int panelH = 78;
    int y = oy + 92;
    for (int i = 0; i < 6; ++i) {
        QFrame *frame = frames_[order[i]];
        const int x = left + (i % 2) * (columnW + gap);
        frame->setGeometry(x, y + (i / 2) * (panelH + 10), columnW, panelH);
    }
    y += 3 * (panelH + 10);
    frames_[4]->setGeometry(left, y, 2 * columnW + gap, 56);
    for (int i = 0; i < 7; ++i) {
        const int h = frames_[i]->height();
        pictures_[i]->setGeometry(10, (h - 48) / 2, 48, 48);
        labels_[i]->setGeometry(68, 4, frames_[i]->width() - 74, h - 8);
    }
    y += 56 + 14;
    label1_->setGeometry(left, y, 300, 54);
    command1_->setGeometry(left + 2 * columnW + gap - 150, y + 10, 150, 32);
}

void LauncherWindow::load(const QString &commandLine)
{
    AppState &st = ctx_.state;
    // 1. start-up argument
    st.startupArgument = launcher::startupArgument(commandLine);
    // 2.-3. placement
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->availableGeometry();
        launcher::placeOnFirstLoad(st, g.width() * launcher::kTwipsPerPixel, g.height() * launcher::kTwipsPerPixel);
        st.launcherLeft = qMax(st.launcherLeft, g.x() * launcher::kTwipsPerPixel);
        st.launcherTop = qMax(st.launcherTop, g.y() * launcher::kTwipsPerPixel);
    }
    move(px(st.launcherLeft), px(st.launcherTop));
    if (!st.launcherMaximized) {
        resize(px(launcher::kDesignWidth), px(launcher::kDesignHeight));
        st.normalLeft = st.launcherLeft;
        st.normalTop = st.launcherTop;
    } else {
        setWindowState(Qt::WindowMaximized);
    }
    // 4. colours and captions are set when the panels are built.
    // 5. the serial port's own properties, put back at the end
    st.serialDefaults = ctx_.serial().properties();
    // 6. the settings file; the port number goes to the serial port
    settingsfile::load(st, ctx_.settingsPath());
    ctx_.serial().setCommPort(st.output.comPort);
    // 7. the system probe: the 64-bit gate applies only to the old Windows
    // driver, so here the library's own start decides.
    st.osArchitecture = QString();
    st.osPlatform = 2;
    st.winVersionCode = 8;
    // 8. parallel decision
    launcher::decideParallel(ctx_);
    // 9.
    loaded_ = true;
    st.toolState = ToolStates::Launcher;
    showTitle();
}

void LauncherWindow::showTitle()
{
    setWindowTitle(QStringLiteral("メインメニュー") + (titleMark ? titleMark() : QString()));
}

void LauncherWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!loaded_)
        return;
    launcher::applyResize(ctx_.state, width() * launcher::kTwipsPerPixel, height() * launcher::kTwipsPerPixel);
    if (!ctx_.state.launcherMaximized && !isMaximized()) {
        ctx_.state.normalLeft = x() * launcher::kTwipsPerPixel;
        ctx_.state.normalTop = y() * launcher::kTwipsPerPixel;
    }
    layoutBlock();
}

bool LauncherWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton)
            return QWidget::eventFilter(watched, event);
        int index = frames_.indexOf(qobject_cast<QFrame *>(watched));
        if (index < 0)
            index = labels_.indexOf(qobject_cast<QLabel *>(watched));
        switch (index) {
        case 0:
            openTool(Tool::Message);
            return true;
        case 1:
            openTool(Tool::Ticket);
            return true;
        case 2:
            openTool(Tool::Unit);
            return true;
        case 3:
            openTool(Tool::Tester);
            return true;
        case 4:
            close();
            return true;
        case 5:
            startViewer();
            return true;
        case 6:
            openTool(Tool::Finger);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LauncherWindow::rememberToolPosition()
{
    AppState &st = ctx_.state;
    if (st.launcherMaximized) {
        st.launcherLeft = st.normalLeft;
        st.launcherTop = st.normalTop;
    } else {
        st.launcherLeft = x() * launcher::kTwipsPerPixel;
        st.launcherTop = y() * launcher::kTwipsPerPixel;
    }
}

void LauncherWindow::openTool(Tool tool)
{
    if (tool_)
        return;
    AppState &st = ctx_.state;
    rememberToolPosition();
    if (tool == Tool::Unit)
        launcher::forceUnitToolSettings(st);
    if (tool == Tool::Finger) {
        const QFileInfo data(QDir(st.programFolder).filePath(QStringLiteral("Finger/FingerData.msd")));
        if (!data.isFile()) {
            ctx_.messenger().showMessage(QStringLiteral("指紋データ管理ファイル FingerData.msd がありません。\r\n\r\n"
                                                        "[登録者の読込] を実行後、登録者の記録がある場合は\r\n"
                                                        "全てのユーザーを選択して [ファイルに保存] してください。"),
                                         Icon::Exclamation, kAppTitle);
        }
    }
    st.toolState = toolstates::idleState(tool);
    const auto it = factories_.constFind(tool);
    QWidget *window = it == factories_.constEnd() ? nullptr : (*it)(ctx_, *this);
    if (!window) {
        st.toolState = ToolStates::Launcher;
        ctx_.messenger().showMessage(QStringLiteral("このツールはこの版ではまだ使用できません。"), Icon::Information,
                                     kAppTitle);
        return;
    }
    tool_ = window;
    if (titleMark)
        window->setWindowTitle(window->windowTitle() + titleMark());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    hide();
}

void LauncherWindow::returnToMenu()
{
    if (tool_) {
        tool_->hide();
        tool_->deleteLater();
        tool_ = nullptr;
    }
    ctx_.state.toolState = ToolStates::Launcher;
    showTitle();
    show();
    raise();
    activateWindow();
}

void LauncherWindow::quitFromTool()
{
    // The close box of a tool skips the driver stop and the font removal.
    shuttingDown_ = true;
    ctx_.channel().closeAndRestore();
    if (endProcess)
        endProcess();
}

void LauncherWindow::openSettings(QWidget *caller, bool serialOnly)
{
    ComIF::openFor(ctx_, caller, serialOnly, settings_);
}

void LauncherWindow::closeSettings()
{
    if (settings_)
        settings_->close();
}

void LauncherWindow::startViewer()
{
    const QString program = QDir(ctx_.state.programFolder).filePath(QStringLiteral("Drossel"));
    if (viewer_)
        return;
    auto *proc = new QProcess(this);
    proc->setProgram(program);
    connect(proc, &QProcess::finished, this, [this, proc] {
        show();
        proc->deleteLater();
    });
    connect(proc, &QProcess::errorOccurred, this, [this, proc](QProcess::ProcessError e) {
        // A viewer that cannot start is not reported; the launcher stays.
        if (e == QProcess::FailedToStart) {
            show();
            proc->deleteLater();
        }
    });
    viewer_ = proc;
    proc->start();
    if (proc->waitForStarted(3000))
        hide();
}

void LauncherWindow::openHelp()
{
    const QString page = toolstates::helpPageFor(ctx_.state.toolState);
    const QString path = findHelpFile(ctx_.state.programFolder, page);
    if (!path.isEmpty() && openPage)
        openPage(path);
}

void LauncherWindow::shutDown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    launcher::stopParallel(ctx_);
    ctx_.channel().closeAndRestore(); // steps 2-3
    launcher::removeFontFile(ctx_.state.programFolder);
    if (endProcess)
        endProcess();
}

void LauncherWindow::closeEvent(QCloseEvent *event)
{
    shutDown();
    event->accept();
}
