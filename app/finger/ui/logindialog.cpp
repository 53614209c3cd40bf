#include "logindialog.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace logindialog {

std::optional<QString> ask(QWidget *parent, const PasswordPrompt &prompt)
{
    QDialog d(parent);
    d.setObjectName(QStringLiteral("Login"));
    d.setWindowTitle(prompt.caption);
    d.setFixedSize(340, 130);

    auto *label = new QLabel(prompt.prompt, &d);
    label->setObjectName(QStringLiteral("lblLabels"));
    label->setGeometry(14, 10, 312, 36);
    label->setWordWrap(true);
    auto *box = new QLineEdit(prompt.text, &d);
    box->setObjectName(QStringLiteral("txtPassword"));
    box->setGeometry(14, 50, 312, 26);
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    if (prompt.selectAll)
        box->selectAll();

    auto *ok = new QPushButton(QStringLiteral("OK"), &d);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(150, 88, 84, 30);
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), &d);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(242, 88, 84, 30);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &d, &QDialog::reject);

    box->setFocus();
    if (d.exec() != QDialog::Accepted)
        return std::nullopt;
    return box->text();
}

} // namespace logindialog
