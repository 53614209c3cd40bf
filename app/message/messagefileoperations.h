#pragma once
// The file operations of the message window (and of the print tester,
// which has the same boxes): open, save, delete, the save list and the
// list print-out. Each reads the boxes from a MessageForm, tells the user
// through the catalogue, and leaves in the form what the window shows next.
#include "messagecodes.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class AppContext;
class MsdFile;

struct MessageForm {
    QString fileName;        // Text1
    QString numberText;      // Text2
    QString content;         // Text3, display form with CR LF line ends
    QList<int> savedNumbers; // List1
};

class MessageFileOperations {
public:
    // Index of the "&" of the first invalid control code, or -1.
    using CodeCheck = std::function<int(const QString &)>;

    // Content saved to a file must stay below this many CP932 bytes.
    static constexpr int kSaveLimitBytes = 509;

    explicit MessageFileOperations(AppContext &ctx, CodeCheck codeCheck = messagecodes::findInvalidCode);

    // Checks the name (offering to create the file), rebuilds the list and
    // fills the content of the number in the box. A damaged or read-only
    // file is reported.
    bool open(MessageForm &form);
    // On a bad control code (message 104) or a character the file cannot
    // hold, *badCodeAt gets its index in the content.
    bool save(MessageForm &form, int *badCodeAt = nullptr);
    bool remove(MessageForm &form);
    // A click on number n in the save list.
    void showStored(MessageForm &form, int number);
    void rebuildList(MessageForm &form) const;
    // The text of the list print-out, after the file-name check.
    std::optional<QString> printText(MessageForm &form);

    // Called with the form just before a closing notice (14 after a save,
    // the damage notice after an open), so the window shows the new list
    // while the notice is up.
    std::function<void(const MessageForm &)> showProgress;

private:
    void advance(MessageForm &form, const MsdFile &file, int number) const;

    AppContext &ctx_;
    CodeCheck codeCheck_;
};

// "ファイル名　" and the path, then each occupied record as "[No.n]" and its
// text with the space marks turned back into spaces.
QString buildPrintList(const QString &path, const MsdFile &file);
