// libFuzzer target: the display form of message texts. The editing
// conversion on arbitrary box changes (both rule sets), the box mapping,
// and the read-back of printer bytes into display form.
//
// Input: a rules byte, a caret byte, two split bytes, then the text; the
// text is both the read-back bytes and (mapped by fuzzsupport::text) the
// box text before an edit, cut by the split bytes into kept text and typed
// text.
#include "fuzzsupport.h"

#include "comm/notation.h"
#include "message/displayform.h"
#include "message/messagecodes.h"

using fuzzsupport::check;
using namespace displayform;

namespace {

// Every "↓" has its CR LF and every CR LF its "↓"; no raw spaces.
void checkMessageForm(const QString &t)
{
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        check(c != u' ' && c != kWideSpace, "spaces shown as marks");
        if (c == kLineEndMark)
            check(t.mid(i + 1, 2) == kLineBreak, "a line end mark has its CR LF");
        else if (c == u'\r')
            check(i > 0 && t.at(i - 1) == kLineEndMark && i + 1 < t.size() && t.at(i + 1) == u'\n',
                  "CR only after a mark");
        else if (c == u'\n')
            check(i > 0 && t.at(i - 1) == u'\r', "LF only after CR");
    }
}

// Ticket lines: nothing after the first "↓", no line breaks.
void checkTicketForm(const QString &t)
{
    check(!t.contains(u'\r') && !t.contains(u'\n'), "a ticket line has no line break");
    const qsizetype mark = t.indexOf(kLineEndMark);
    check(mark < 0 || mark == t.size() - 1, "a ticket line ends at its mark");
    check(!t.contains(u' ') && !t.contains(kWideSpace), "spaces shown as marks");
}

void checkEdit(const Edit &e, const EditingRules &rules)
{
    check(e.caret >= 0 && e.caret <= e.text.size(), "caret inside the text");
    if (rules.lineEndEndsText)
        checkTicketForm(e.text);
    else
        checkMessageForm(e.text);
}

// Bytes that read back and convert to themselves: no line breaks (they
// gain a mark), no "&" or "^" (notation characters), nothing above ASCII.
bool roundTrips(const QByteArray &bytes)
{
    for (const char c : bytes)
        if (c == '\r' || c == '\n' || c == '&' || c == '^' || quint8(c) > 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsupport::Input in(data, size);
    const quint8 ruleBits = in.byte();
    const quint8 caretByte = in.byte();
    const quint8 cut = in.byte();
    const quint8 cutLength = in.byte();
    const QByteArray raw = in.rest();

    EditingRules rules;
    rules.lineEndEndsText = ruleBits & 1;
    rules.warnAboveBytes = (ruleBits & 2) ? 0 : (ruleBits >> 2);

    // The read-back of printer bytes.
    const QString readBack = messagecodes::fromPrinterBytes(raw);
    checkMessageForm(readBack);
    if (roundTrips(raw))
        check(notation::convertForPrinter(readBack) == raw, "read-back bytes convert to themselves");

    // A box edit on a text in display form: [p, p + cutLength) replaced by
    // what the input types there.
    const QString typed = fuzzsupport::text(raw);
    const Edit start = normalise(typed.left(typed.size() / 2), rules);
    checkEdit(start, rules);
    check(normalise(start.text, rules).text == start.text, "normalise is idempotent");
    const QString before = start.text;
    const qsizetype p = qMin<qsizetype>(cut, before.size());
    const QString inserted = typed.mid(typed.size() / 2);
    const QString after = before.left(p) + inserted + before.mid(qMin(before.size(), p + cutLength));
    const Edit edited = convert(before, after, int(p + inserted.size()), rules);
    checkEdit(edited, rules);
    checkEdit(convert(before, typed, caretByte - 16, rules), rules); // any change, any caret
    const Edit unchanged = convert(before, before, caretByte, rules);
    check(unchanged.text == before, "a box that did not change stays as it is");

    // The plain-text box and back.
    if (!rules.lineEndEndsText) {
        const QString box = toBox(before);
        check(!box.contains(u'\r'), "the box holds LF only");
        check(fromBox(box) == before, "box text maps back");
        const int step = int(qMax<qsizetype>(1, before.size() / 32));
        for (int pos = 0; pos <= before.size(); pos += step) {
            if (pos > 0 && before.at(pos - 1) == u'\r')
                continue; // inside a CR LF: no box position of its own
            check(positionFromBox(box, positionToBox(before, pos)) == pos, "positions map back");
        }
    }
    const QString spaced = marksToSpaces(before);
    check(!spaced.contains(kSpaceMark) && !spaced.contains(kWideSpaceMark) && spaced.size() == before.size(),
          "marks become spaces");
    return 0;
}
