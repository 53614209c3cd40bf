#pragma once
// Keeps a text box in display form: every change (typing, paste, a text
// set by the program) runs the editing conversion at once, the caret stays
// where it was and message 102 warns above the byte limit. The message,
// print-tester, ticket and unit-setting windows attach one to their boxes.
#include "message/displayform.h"

#include <QObject>
#include <QPointer>

class Messenger;
class QLineEdit;
class QPlainTextEdit;

class ContentBoxConverter : public QObject {
    Q_OBJECT
public:
    ContentBoxConverter(QPlainTextEdit *box, Messenger &messenger, displayform::EditingRules rules = {});
    ContentBoxConverter(QLineEdit *box, Messenger &messenger, displayform::EditingRules rules = {});

    // The box's text in display form (line ends CR LF).
    QString text() const;
    // A text set by the program; it is converted like typed text.
    void setText(const QString &text);
    // Focus on the box with the caret at a display-form position.
    void placeCaret(int position);
    // The current text becomes the one against which a later change counts
    // as a deletion (the unit-setting names do this on focus).
    void rememberCurrent() { before_ = text(); }
    // While paused, changes pass unconverted (e.g. while a set is loaded).
    void setPaused(bool paused) { paused_ = paused; }

private:
    void onChanged();
    void apply(const displayform::Edit &edit);
    QString boxText() const;
    int boxCaret() const;

    QPointer<QPlainTextEdit> plain_;
    QPointer<QLineEdit> line_;
    Messenger &messenger_;
    displayform::EditingRules rules_;
    QString before_;
    bool busy_ = false;
    bool paused_ = false;
};
