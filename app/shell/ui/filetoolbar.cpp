#include "filetoolbar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

namespace {

enum class Glyph { Open, Save, Print, Cut, Copy, Paste, Delete, Help };

// Small drawn pictures: the desktop may have no icon theme.
QIcon drawIcon(Glyph g)
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(24, 24) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x33, 0x44, 0x55);
    p.setPen(QPen(ink, 1.4));
    switch (g) {
    case Glyph::Open:
        p.setBrush(QColor(0xF2, 0xC9, 0x4C));
        p.drawRect(QRectF(3, 7, 18, 13));
        p.drawRect(QRectF(3, 5, 8, 3));
        break;
    case Glyph::Save:
        p.setBrush(QColor(0x4A, 0x7B, 0xC8));
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 4, 10, 6));
        p.drawRect(QRectF(6, 14, 12, 6));
        break;
    case Glyph::Print:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 3, 10, 7));
        p.setBrush(QColor(0x88, 0x99, 0xAA));
        p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 14, 10, 7));
        break;
    case Glyph::Cut:
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4, 15, 6, 6));
        p.drawEllipse(QRectF(14, 15, 6, 6));
        p.drawLine(QPointF(8, 15), QPointF(16, 3));
        p.drawLine(QPointF(16, 15), QPointF(8, 3));
        break;
    case Glyph::Copy:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 11, 14));
        p.drawRect(QRectF(9, 7, 11, 14));
        break;
    case Glyph::Paste:
        p.setBrush(QColor(0xC8, 0x9B, 0x5A));
        p.drawRoundedRect(QRectF(4, 4, 16, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8, 2, 8, 4));
        p.drawRect(QRectF(7, 9, 10, 10));
        break;
    case Glyph::Delete:
        p.setPen(QPen(QColor(0xC0, 0x39, 0x2B), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    case Glyph::Help: {
        p.setBrush(QColor(0x3A, 0x8E, 0x5C));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(15);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return QIcon(pm);
}

// Cut, copy and paste act on the text box that last had the focus in the
// window; a toolbar click does not take the focus from it.
template <typename Op> void onActiveBox(QWidget *bar, Op op)
{
    QWidget *w = bar->window()->focusWidget();
    if (auto *line = qobject_cast<QLineEdit *>(w))
        op(line);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
        op(plain);
}

} // namespace

FileToolbar::FileToolbar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("Toolbar1"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(24, 24));
    setFocusPolicy(Qt::NoFocus);
    const auto add = [this](int index, Glyph g, const char *tip) {
        QAction *a = addAction(drawIcon(g), QString::fromUtf8(tip));
        a->setObjectName(QStringLiteral("Button%1").arg(index));
        a->setToolTip(QString::fromUtf8(tip));
        return a;
    };
    open_ = add(2, Glyph::Open, "ファイルを開く");
    save_ = add(3, Glyph::Save, "ファイルに保存");
    print_ = add(4, Glyph::Print, "ファイルを印刷");
    addSeparator();
    cut_ = add(7, Glyph::Cut, "カット");
    copy_ = add(8, Glyph::Copy, "コピー");
    paste_ = add(9, Glyph::Paste, "貼り付け");
    addSeparator();
    delete_ = add(12, Glyph::Delete, "ファイルから削除");
    addSeparator();
    help_ = add(18, Glyph::Help, "ヘルプ");

    connect(cut_, &QAction::triggered, this, [this] { onActiveBox(this, [](auto *box) { box->cut(); }); });
    connect(copy_, &QAction::triggered, this, [this] { onActiveBox(this, [](auto *box) { box->copy(); }); });
    connect(paste_, &QAction::triggered, this, [this] { onActiveBox(this, [](auto *box) { box->paste(); }); });
}
