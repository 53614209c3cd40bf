#include "editingaidwindow.h"

#include "shell/ui/dialogkeys.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

const EditingAidWindow::Code EditingAidWindow::kCodes[9] = {
    {"横２倍指定", "&0E"},   {"横２倍解除", "&14"},   {"縦２倍指定", "&1BN1"},
    {"縦２倍解除", "&1BN0"}, {"４倍角指定", "&1CW1"}, {"４倍角解除", "&1CW0"},
    {"月日指定", "&13TJ2"},  {"時刻指定", "&13TJ4"},  {"月日時刻指定", "&13TJ3"},
};

EditingAidWindow::EditingAidWindow(std::function<void(const QString &)> insert, QWidget *parent)
    : QWidget(parent, Qt::Window), insert_(std::move(insert))
{
    setObjectName(QStringLiteral("QlmAux"));
    setWindowTitle(QStringLiteral("QLM文章作成補助"));
    cancelOnEscape(this);

    auto *frame = new QGroupBox(QStringLiteral("入力コード"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(frame);
    for (int i = 0; i < 9; ++i) {
        auto *option = new QRadioButton(QString::fromUtf8(kCodes[i].caption), frame);
        option->setObjectName(QStringLiteral("Option%1").arg(i + 1));
        const QString code = QString::fromUtf8(kCodes[i].code);
        connect(option, &QRadioButton::clicked, this, [code] {
            QClipboard *clip = QApplication::clipboard();
            clip->clear();
            clip->setText(code);
        });
        // Width, height and quadruple size in pairs; the date codes last.
        grid->addWidget(option, i < 6 ? i / 2 : 3, i < 6 ? i % 2 : i - 6);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, &EditingAidWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
}

void EditingAidWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void EditingAidWindow::accept()
{
    if (insert_)
        insert_(QApplication::clipboard()->text());
    close();
}
