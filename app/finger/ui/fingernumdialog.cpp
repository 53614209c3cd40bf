#include "fingernumdialog.h"

#include "base/messagecatalogue.h"
#include "finger/fingerusers.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

FingerNumDialog::FingerNumDialog(Mode mode, const FingerUsers &users, Messenger &messenger, QWidget *parent)
    : QDialog(parent), mode_(mode), users_(users), messenger_(messenger)
{
    setObjectName(QStringLiteral("FingerNum"));
    const bool registration = mode == Mode::Registration;
    setWindowTitle(registration ? QStringLiteral("指紋の登録") : QStringLiteral("発券テスト"));
    setFixedSize(300, registration ? 200 : 170);

    prompt_ = new QLabel(this);
    prompt_->setObjectName(QStringLiteral("Label1"));
    prompt_->setGeometry(16, 12, 270, 44);
    prompt_->setText(
        registration
            ? QStringLiteral("ユーザーIDを入力して下さい。") + QLatin1Char('\n') + QStringLiteral("(半角英数字 7桁)")
            : QStringLiteral("発券テストを行ないます。") + QLatin1Char('\n') + QStringLiteral("発券内容の選択(1～4)"));

    if (registration) {
        const QString captions[] = {QStringLiteral("第1指"), QStringLiteral("第2指")};
        for (int i = 0; i < 2; ++i) {
            auto *l = new QLabel(captions[i], this);
            l->setObjectName(QStringLiteral("Label2_%1").arg(i));
            l->setGeometry(30, 66 + i * 36, 60, 26);
            QLineEdit *box = new QLineEdit(this);
            box->setObjectName(QStringLiteral("Text2_%1").arg(i));
            box->setGeometry(96, 66 + i * 36, 120, 26);
            box->setMaxLength(fingers::kIdSize);
            box->installEventFilter(this);
            idBoxes_[size_t(i)] = box;
        }
        connect(idBoxes_[0], &QLineEdit::returnPressed, idBoxes_[1], [this] { idBoxes_[1]->setFocus(); });
        connect(idBoxes_[1], &QLineEdit::returnPressed, this, &FingerNumDialog::accept);
    } else {
        number_ = new QLineEdit(QStringLiteral("1"), this);
        number_->setObjectName(QStringLiteral("Text1"));
        number_->setGeometry(110, 68, 50, 26);
        number_->setAlignment(Qt::AlignRight);
        number_->setMaxLength(3);
        const auto arrow = [this](const QString &name, Qt::ArrowType type, int y, int by) {
            auto *b = new QToolButton(this);
            b->setObjectName(name);
            b->setArrowType(type);
            b->setGeometry(160, y, 18, 13);
            b->setAutoRepeat(true);
            connect(b, &QToolButton::clicked, this, [this, by] { step(by); });
        };
        arrow(QStringLiteral("UpDown1Up"), Qt::UpArrow, 68, 1);
        arrow(QStringLiteral("UpDown1Down"), Qt::DownArrow, 81, -1);
        connect(number_, &QLineEdit::returnPressed, this, &FingerNumDialog::accept);
    }

    const int y = height() - 44;
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("Command1"));
    ok_->setGeometry(60, y, 84, 30);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("Command2"));
    cancel_->setGeometry(156, y, 84, 30);
    // Enter belongs to the boxes: the first moves on, the last presses OK.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &FingerNumDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &FingerNumDialog::reject);
}

int FingerNumDialog::choice() const
{
    if (!number_)
        return 0;
    bool ok = false;
    const int n = number_->text().trimmed().toInt(&ok);
    return ok ? n : 0;
}

void FingerNumDialog::step(int by)
{
    const int n = qBound(kFirstSlip, choice() + by, kLastSlip);
    number_->setText(QString::number(n));
}

void FingerNumDialog::setTextColour(QLineEdit *box, const QColor &colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Text, colour);
    box->setPalette(pal);
}

bool FingerNumDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        for (QLineEdit *box : idBoxes_) {
            if (watched == box)
                setTextColour(box, Qt::black);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FingerNumDialog::accept()
{
    if (mode_ == Mode::Registration) {
        const IdCheck check = users_.checkNewIds(idBoxes_[0]->text(), idBoxes_[1]->text());
        if (!check.valid()) {
            for (int i = 0; i < 2; ++i) {
                if (check.duplicate[size_t(i)])
                    setTextColour(idBoxes_[size_t(i)], QColor(255, 0, 0));
            }
            messenger_.showCatalogMessage(check.notice);
            const int focus = check.duplicate[0] || !check.duplicate[1] ? 0 : 1;
            idBoxes_[size_t(focus)]->setFocus();
            return;
        }
        ids_ = check.ids;
    }
    flag_ = 1;
    QDialog::accept();
}

void FingerNumDialog::reject()
{
    flag_ = 2;
    QDialog::reject();
}

std::optional<std::array<QByteArray, 2>> FingerNumDialog::askIds(const FingerUsers &users, Messenger &messenger,
                                                                 QWidget *parent)
{
    FingerNumDialog d(Mode::Registration, users, messenger, parent);
    d.exec();
    if (d.resultFlag() != 1)
        return std::nullopt;
    return d.ids();
}

std::optional<int> FingerNumDialog::askChoice(const FingerUsers &users, Messenger &messenger, QWidget *parent)
{
    FingerNumDialog d(Mode::TicketTest, users, messenger, parent);
    d.exec();
    if (d.resultFlag() != 1)
        return std::nullopt;
    return d.choice();
}
