#include "messageboxprompter.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

QList<QMessageBox::StandardButton> buttonsFor(int style)
{
    switch (Styles::buttons(style)) {
    case Styles::OkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case Styles::AbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case Styles::YesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case Styles::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case Styles::RetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
        return {QMessageBox::Ok};
    }
}

QMessageBox::Icon iconFor(int style)
{
    switch (Styles::icon(style)) {
    case Styles::Critical:
        return QMessageBox::Critical;
    case Styles::Question:
        return QMessageBox::Question;
    case Styles::Exclamation:
        return QMessageBox::Warning;
    case Styles::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int answerFor(QMessageBox::StandardButton b)
{
    switch (b) {
    case QMessageBox::Ok:
        return Answers::Ok;
    case QMessageBox::Cancel:
        return Answers::Cancel;
    case QMessageBox::Abort:
        return Answers::Abort;
    case QMessageBox::Retry:
        return Answers::Retry;
    case QMessageBox::Ignore:
        return Answers::Ignore;
    case QMessageBox::Yes:
        return Answers::Yes;
    case QMessageBox::No:
        return Answers::No;
    default:
        return Answers::Cancel;
    }
}

} // namespace

int MessageBoxPrompter::ask(const PromptRequest &request)
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
    const int def = Styles::defaultButton(request.style);
    if (def < buttons.size())
        box.setDefaultButton(buttons.at(def));
    // Closing the box with Escape or the title bar: the last button (the
    // cancelling one) answers, as on the original platform.
    box.setEscapeButton(box.button(buttons.size() == 1 ? buttons.first() : buttons.last()));
    box.exec();
    auto clicked = box.standardButton(box.clickedButton());
    if (clicked == QMessageBox::NoButton)
        clicked = buttons.size() == 1 ? buttons.first() : buttons.last();
    return answerFor(clicked);
}
