#pragma once
// UxSub ("UXサブメニュー"): the reset of the printer's totals and the check
// of the data it outputs, for either model. While it is open the tool
// state is 870 and the unit-setting window is disabled.
#include <QWidget>

class AppContext;
class QPushButton;

namespace unit {

class UnitTransfer;

class UxSubMenu : public QWidget {
    Q_OBJECT
public:
    // owner is disabled until the sub menu closes.
    UxSubMenu(AppContext &ctx, UnitTransfer &transfer, QWidget *owner);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void outputCheck(bool vux);

    AppContext &ctx_;
    UnitTransfer &transfer_;
    QWidget *owner_;
    QPushButton *reset_ = nullptr;
    QPushButton *vuxOutput_ = nullptr;
    QPushButton *uxOutput_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

} // namespace unit
