#include "ticketediting.h"

#include "base/cp932.h"
#include "ticketcontent.h"

#include <algorithm>

namespace ticketediting {

namespace {
constexpr qint16 kOpening = 610;
constexpr qint16 kReading = 613;
} // namespace

bool convertsEdits(qint16 toolState) { return toolState != kOpening && toolState != kReading; }

displayform::Edit convertLine(const QString &before, const QString &after, int caret)
{
    return displayform::convert(before, after, caret, kLineRules);
}

EnterResult pressEnter(const QString &text, int caret, int line)
{
    EnterResult r;
    r.text = text.endsWith(displayform::kLineEndMark)
                 ? text
                 : text.left(std::clamp(caret, 0, int(text.size()))) + displayform::kLineEndMark;
    r.nextLine = line >= TicketContent::kLineCount || line < 1 ? 1 : line + 1;
    r.overLimit = cp932::byteCount(r.text) > kLineRules.warnAboveBytes;
    return r;
}

} // namespace ticketediting
