#pragma once
// Ticket contents in a .msd file and the file operations of the ticket
// window: open, save, delete and the text of the print listing. Content n
// takes records (n - 1) x 16 + 1 .. n x 16, one line each: the
// magnification, the line text in display form, 0xFF, space padding.
#include "message/msdfile.h"
#include "ticketcontent.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class AppContext;

namespace ticketfile {

inline constexpr int kRecordsPerContent = TicketContent::kLineCount;
// The listing covers these contents whatever the model.
inline constexpr int kListedContents = 15;

// Record of line k (1..16) of content n.
inline int recordOf(int number, int line) { return (number - 1) * kRecordsPerContent + line; }

// The text field of a line record before its 0xFF, in CP932.
QByteArray recordText(const TicketLine &line);
// A record that is empty, missing or past the end of the file is an
// empty line with "1x1".
TicketLine lineFromRecord(const MsdRecord &record);

} // namespace ticketfile

// What the ticket window holds for its file operations.
struct TicketForm {
    QString fileName;           // Text1
    TicketContent content;      // Text3(1..16), Text4(1..16)
    bool rawNumberModel = true; // Combo1: "K-07"
    int headerNumber = 0;       // shown in Label4; 0 for none
};

class TicketFileOperations {
public:
    // Shows the number dialog for the current tool state and waits for it;
    // nothing when it was cancelled.
    using NumberChooser = std::function<std::optional<int>()>;

    TicketFileOperations(AppContext &ctx, NumberChooser chooseNumber);

    // The content of the chosen number replaces the form's lines.
    bool open(TicketForm &form);
    // On a refused content *refused tells the message and where the focus
    // goes (see ticket::ContentCheck; 101 for a line the file cannot hold).
    bool save(TicketForm &form, ticket::ContentCheck *refused = nullptr);
    bool remove(TicketForm &form);
    // The text of the print listing, after the file-name check.
    std::optional<QString> printText(TicketForm &form);

private:
    std::optional<int> chooseNumber(qint16 operation, bool rawNumberModel);
    std::optional<QList<MsdRecord>> readContent(const MsdFile &file, int number);

    AppContext &ctx_;
    NumberChooser chooseNumber_;
};

// "ファイル名　" and the path, then every line of contents 1..15 that has
// text: "[No.n-k]  ", the magnification, a space and the text with its
// space marks turned back into spaces.
QString buildTicketListing(const QString &path, const MsdFile &file);
