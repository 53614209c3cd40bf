#include "fingersubmenu.h"

#include "shell/ui/dialogkeys.h"

#include <QPushButton>

FingerSubMenu::FingerSubMenu(QWidget *owner) : QWidget(owner, Qt::Dialog)
{
    setObjectName(QStringLiteral("FingerSub"));
    setWindowTitle(QStringLiteral("Fingerサブメニュー"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(254, 231, 242));
    setPalette(pal);

    struct Row {
        const char *caption;
        const char *tip;
    };
    const Row rows[kCommands] = {
        {"登録の確認", "自分の指紋データが登録されているか確認します。"},
        {"リストの印刷", "登録されているユーザーIDのリストを印刷します。"},
        {"指紋の再登録", "ファイルから指紋データを再登録します。"},
        {"バージョン情報", "プリンタ部と認証部の各プログラムのバージョン番号を印刷します。"},
        {"データ出力確認", "プリンタからの出力を確認します。"},
        {"ﾊﾟｽﾜｰﾄﾞの設定", "指紋の消去時に確認するパスワードを設定します。"},
        {"キャンセル", "サブメニューを閉じます。"},
    };
    constexpr int kWidth = 170;
    constexpr int kHeight = 34;
    constexpr int kStep = 40;
    for (int i = 0; i < kCommands; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(rows[i].caption), this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setToolTip(QString::fromUtf8(rows[i].tip));
        // Cancel stands apart at the bottom.
        const int y = 14 + i * kStep + (i == Cancel ? 10 : 0);
        b->setGeometry(16, y, kWidth, kHeight);
        buttons_[size_t(i)] = b;
        const auto c = Command(i);
        connect(b, &QPushButton::clicked, this, [this, c] {
            if (c == Cancel) {
                close();
                return;
            }
            if (run)
                run(c);
        });
    }
    setFixedSize(kWidth + 32, 14 + kCommands * kStep + 14);
    cancelOnEscape(this);
}

void FingerSubMenu::setButtonsEnabled(bool on)
{
    for (QPushButton *b : buttons_)
        b->setEnabled(on);
}
