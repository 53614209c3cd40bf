#include "statusstrip.h"

#include "comm/appcontext.h"
#include "comm/portmap.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace {

const QColor kLampOn(0x2E, 0xA0, 0x43);
const QColor kLampOff(0xC8, 0xC8, 0xC8);
const QColor kDemoBack(0xFF, 0xD5, 0x80);

QLabel *field(QWidget *parent, const QString &name)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setContentsMargins(6, 0, 6, 0);
    return l;
}

void paint(QLabel *l, const QColor &back, const QColor &ink)
{
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, ink);
    l->setPalette(pal);
    l->setAutoFillBackground(true);
}

QString parityText(qint16 parity)
{
    switch (parity) {
    case 1:
        return QStringLiteral("偶数パリティ");
    case 2:
        return QStringLiteral("奇数パリティ");
    default:
        return QStringLiteral("パリティなし");
    }
}

} // namespace

StatusStrip::StatusStrip(AppContext &ctx, QWidget *parent) : QStatusBar(parent), ctx_(ctx)
{
    setObjectName(QStringLiteral("StatusStrip"));
    setSizeGripEnabled(false);
    port_ = field(this, QStringLiteral("StripPort"));
    line_ = field(this, QStringLiteral("StripLine"));
    demo_ = field(this, QStringLiteral("StripDemo"));
    demo_->setText(QStringLiteral("模擬"));
    paint(demo_, kDemoBack, Qt::black);
    dsr_ = field(this, QStringLiteral("StripDSR"));
    dsr_->setText(QStringLiteral("DSR"));
    cts_ = field(this, QStringLiteral("StripCTS"));
    cts_->setText(QStringLiteral("CTS"));
    for (QLabel *lamp : {dsr_, cts_}) {
        lamp->setAlignment(Qt::AlignCenter);
        lamp->setMinimumWidth(44);
        lamp->setProperty("lit", false);
        setLamp(lamp, false);
    }
    count_ = field(this, QStringLiteral("StripProgressText"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("StripProgress"));
    bar_->setFixedWidth(160);
    bar_->setTextVisible(false);

    addWidget(port_);
    addWidget(line_);
    addWidget(demo_);
    addWidget(dsr_);
    addWidget(cts_);
    addPermanentWidget(count_);
    addPermanentWidget(bar_);
    endProgress();

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("StripTimer"));
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, &StatusStrip::refresh);
    timer_->start();
    refresh();
}

void StatusStrip::setLamp(QLabel *lamp, bool on)
{
    if (lamp->property("lit").toBool() == on && lamp->autoFillBackground())
        return;
    lamp->setProperty("lit", on);
    paint(lamp, on ? kLampOn : kLampOff, on ? Qt::white : Qt::black);
}

void StatusStrip::refresh()
{
    const OutputSettings &o = ctx_.state.output;
    SerialLink &link = ctx_.serialLink();
    const bool serial = o.interfaceName != kInterfaceParallel;
    QString portText;
    QString lineText;
    bool simulated = false;
    if (serial) {
        if (mappedFor_ != o.comPort || link.isOpen()) {
            // The map is read from the settings: only when the number changes.
            devicePath_ = link.isOpen() ? link.device() : portmap::devicePath(o.comPort);
            mappedFor_ = link.isOpen() ? -1 : o.comPort;
        }
        simulated = portmap::isSim(devicePath_);
        portText = QStringLiteral("COM%1 → %2").arg(o.comPort).arg(devicePath_);
        if (!link.isOpen())
            portText += QStringLiteral("（閉）");
        lineText = QStringLiteral("%1 %2").arg(o.baudText.trimmed(), parityText(o.parity));
    } else {
        portText = QStringLiteral("パラレル %1").arg(QString::number(o.lptBase, 16).toUpper());
    }
    if (port_->text() != portText)
        port_->setText(portText);
    if (line_->text() != lineText)
        line_->setText(lineText);
    line_->setVisible(serial);
    demo_->setVisible(simulated);
    dsr_->setVisible(serial);
    cts_->setVisible(serial);
    if (serial) {
        setLamp(dsr_, link.dsr());
        setLamp(cts_, link.cts());
    }
}

void StatusStrip::showProgress(int done, int total)
{
    count_->setVisible(total > 0);
    if (total > 0) {
        count_->setText(QStringLiteral("%1 / %2").arg(qBound(0, done, total)).arg(total));
        bar_->setRange(0, total);
        bar_->setValue(qBound(0, done, total));
    } else {
        bar_->setRange(0, 0);
    }
    bar_->setVisible(true);
}

void StatusStrip::endProgress()
{
    count_->clear();
    count_->hide();
    bar_->reset();
    bar_->hide();
}

bool StatusStrip::progressShown() const { return !bar_->isHidden(); }

QString StatusStrip::progressText() const { return count_->isHidden() ? QString() : count_->text(); }
