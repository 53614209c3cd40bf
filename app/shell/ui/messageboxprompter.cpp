#include "messageboxprompter.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

QList<QMessageBox::StandardButton> buttonsFor(MessageStyle style)
{
    switch (style.buttons) {
    case Buttons::OkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case Buttons::AbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case Buttons::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case Buttons::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case Buttons::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
        return {QMessageBox::Ok};
    }
}

QMessageBox::Icon iconFor(MessageStyle style)
{
    switch (style.icon) {
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

Answer answerFor(QMessageBox::StandardButton b)
{
    switch (b) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

} // namespace

Answer MessageBoxPrompter::ask(const PromptRequest &request)
{
    if (request.centred) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect g = screen->geometry();
            QCursor::setPos(g.x() + g.width() / 2, g.y() + g.height() / 2 + 50);
        }
    }
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title);
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.setText(text);
    box.setIcon(iconFor(request.style));
    const auto buttons = buttonsFor(request.style);
    for (auto b : buttons)
        box.addButton(b);
    const int def = request.style.defaultButton;
    if (def < buttons.size())
        box.setDefaultButton(buttons.at(def));
    // Closing the box with Escape or the title bar: the last button (the
    // cancelling one) answers, as on the original platform.
    box.setEscapeButton(box.button(buttons.size() == 1 ? buttons.first() : buttons.last()));
    // A reply wait's busy cursor is no answer to a question.
    const bool busyCursor = QApplication::overrideCursor() != nullptr;
    if (busyCursor)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busyCursor)
        QApplication::restoreOverrideCursor();
    auto clicked = box.standardButton(box.clickedButton());
    if (clicked == QMessageBox::NoButton)
        clicked = buttons.size() == 1 ? buttons.first() : buttons.last();
    return answerFor(clicked);
}
