#include "uxsubmenu.h"

#include "shell/ui/dialogkeys.h"

#include "comm/appcontext.h"
#include "comm/ui/outputdisplaywindow.h"
#include "unit/unitsettings.h"
#include "unit/unittransfer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace unit {

UxSubMenu::UxSubMenu(AppContext &ctx, UnitTransfer &transfer, QWidget *owner)
    : QWidget(owner, Qt::Dialog), ctx_(ctx), transfer_(transfer), owner_(owner)
{
    setObjectName(QStringLiteral("UxSub"));
    setWindowTitle(QStringLiteral("UXサブメニュー"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(330, 190);

    const auto label = [this](int n, const QString &text, int x, int y) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        l->setGeometry(x, y, 140, 22);
    };
    label(1, QStringLiteral("VUX-350Q"), 16, 56);
    label(2, QStringLiteral("UX-350Q"), 170, 56);

    const auto button = [this](int n, const QString &caption, int x, int y) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("Command%1").arg(n));
        b->setGeometry(x, y, 144, 32);
        return b;
    };
    reset_ = button(1, QStringLiteral("積算値リセット"), 16, 14);
    reset_->setToolTip(QStringLiteral("全チャンネルの積算データを０にします"));
    vuxOutput_ = button(2, QStringLiteral("データ出力確認"), 16, 80);
    uxOutput_ = button(3, QStringLiteral("データ出力確認"), 170, 80);
    vuxOutput_->setToolTip(QStringLiteral("プリンタからの出力を確認します"));
    uxOutput_->setToolTip(QStringLiteral("プリンタからの出力を確認します"));
    cancel_ = button(4, QStringLiteral("キャンセル"), 170, 140);

    connect(reset_, &QPushButton::clicked, this, [this] { transfer_.resetTotals(); });
    connect(vuxOutput_, &QPushButton::clicked, this, [this] { outputCheck(true); });
    connect(uxOutput_, &QPushButton::clicked, this, [this] { outputCheck(false); });
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    cancelOnEscape(this, cancel_);

    ctx_.state.toolState = UnitStates::SubMenu;
    if (owner_)
        owner_->setEnabled(false);
    // A child of a disabled window is disabled too: stay enabled ourselves.
    setEnabled(true);
}

void UxSubMenu::outputCheck(bool vux)
{
    // The monitor watches the printer the tool state names.
    ctx_.state.toolState = vux ? UnitStates::VuxOutputCheck : UnitStates::UxOutputCheck;
    OutputDisplayWindow::Options options;
    options.unitModel = vux ? statusrecords::UnitModel::Vux : statusrecords::UnitModel::Ux;
    OutputDisplayWindow::open(ctx_, options, this);
}

void UxSubMenu::closeEvent(QCloseEvent *event)
{
    if (transfer_.busy()) {
        event->ignore();
        return;
    }
    ctx_.state.toolState = UnitStates::Idle;
    if (owner_)
        owner_->setEnabled(true);
    event->accept();
    emit closed();
}

} // namespace unit
