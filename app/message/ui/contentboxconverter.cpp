#include "contentboxconverter.h"

#include "base/messagecatalogue.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>

using namespace displayform;

ContentBoxConverter::ContentBoxConverter(QPlainTextEdit *box, Messenger &messenger, EditingRules rules)
    : QObject(box), plain_(box), messenger_(messenger), rules_(rules)
{
    before_ = text();
    connect(box, &QPlainTextEdit::textChanged, this, &ContentBoxConverter::onChanged);
}

ContentBoxConverter::ContentBoxConverter(QLineEdit *box, Messenger &messenger, EditingRules rules)
    : QObject(box), line_(box), messenger_(messenger), rules_(rules)
{
    before_ = text();
    connect(box, &QLineEdit::textChanged, this, &ContentBoxConverter::onChanged);
}

QString ContentBoxConverter::boxText() const
{
    if (plain_)
        return plain_->toPlainText();
    return line_ ? line_->text() : QString();
}

int ContentBoxConverter::boxCaret() const
{
    if (plain_)
        return plain_->textCursor().position();
    return line_ ? line_->cursorPosition() : 0;
}

QString ContentBoxConverter::text() const { return plain_ ? fromBox(boxText()) : boxText(); }

void ContentBoxConverter::onChanged()
{
    if (busy_)
        return;
    if (paused_) {
        before_ = text();
        return;
    }
    const QString box = boxText();
    const int caret = plain_ ? positionFromBox(box, boxCaret()) : boxCaret();
    apply(convert(before_, text(), caret, rules_));
}

void ContentBoxConverter::setText(const QString &text)
{
    if (paused_) {
        busy_ = true;
        if (plain_)
            plain_->setPlainText(toBox(text));
        else if (line_)
            line_->setText(text);
        busy_ = false;
        before_ = this->text();
        return;
    }
    Edit e = normalise(text, rules_);
    e.caret = 0;
    apply(e);
}

void ContentBoxConverter::apply(const Edit &edit)
{
    busy_ = true;
    if (plain_) {
        // Replace only what differs, so the view does not jump and undo
        // keeps working.
        const QString current = plain_->toPlainText();
        const QString target = toBox(edit.text);
        if (current != target) {
            qsizetype p = 0;
            const qsizetype common = std::min(current.size(), target.size());
            while (p < common && current[p] == target[p])
                ++p;
            qsizetype s = 0;
            while (s < common - p && current[current.size() - 1 - s] == target[target.size() - 1 - s])
                ++s;
            QTextCursor c(plain_->document());
            c.beginEditBlock();
            c.setPosition(int(p));
            c.setPosition(int(current.size() - s), QTextCursor::KeepAnchor);
            c.insertText(target.mid(p, target.size() - s - p));
            c.endEditBlock();
        }
        QTextCursor caret = plain_->textCursor();
        caret.setPosition(positionToBox(edit.text, edit.caret));
        plain_->setTextCursor(caret);
    } else if (line_) {
        if (line_->text() != edit.text)
            line_->setText(edit.text);
        line_->setCursorPosition(edit.caret);
    }
    busy_ = false;
    before_ = edit.text;
    if (edit.overLimit)
        messenger_.showCatalogMessage(kWarnMessageCode);
}

void ContentBoxConverter::placeCaret(int position)
{
    if (plain_) {
        plain_->setFocus();
        QTextCursor c = plain_->textCursor();
        c.setPosition(positionToBox(text(), position));
        plain_->setTextCursor(c);
    } else if (line_) {
        line_->setFocus();
        line_->setCursorPosition(position);
    }
}
