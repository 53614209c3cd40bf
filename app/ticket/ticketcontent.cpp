#include "ticketcontent.h"

#include "base/appstate.h"
#include "comm/notation.h"

bool TicketContent::allEmpty() const
{
    for (const TicketLine &l : lines)
        if (!l.text.isEmpty())
            return false;
    return true;
}

namespace ticket {

bool rawNumberModelFor(const QString &modelName) { return modelName == kModelK07; }

bool magnificationValid(const QString &m)
{
    auto factor = [](QChar c) { return c >= u'1' && c <= u'4'; };
    return m.size() > 2 && factor(m.front()) && (m[1] == u'x' || m[1] == u'X') && factor(m.back());
}

ContentCheck checkContent(const TicketContent &content)
{
    if (content.allEmpty())
        return {633, 0, -1};
    for (int k = 1; k <= TicketContent::kLineCount; ++k) {
        const QString &text = content.line(k).text;
        if (text.isEmpty())
            continue;
        // The idle state's rule: every code 00..7F.
        const notation::EscapeCheck check = notation::validateEscapes(text, ToolStates::Ticket);
        if (!check.valid)
            return {104, k, check.errorPosition};
    }
    for (int k = 1; k <= TicketContent::kLineCount; ++k)
        if (!magnificationValid(content.line(k).magnification))
            return {632, k, -1};
    return {};
}

QString headerText(int number)
{
    QString header = QStringLiteral("***** 発券内容  [No.  ] *****");
    if (number > 0)
        header.replace(16, 2, QStringLiteral("%1").arg(number % 100, 2, 10, QLatin1Char('0')));
    return header;
}

} // namespace ticket
