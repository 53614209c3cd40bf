#pragma once
// The fingerprint manager's sequences with the fingerprint unit: the
// registrant list, templates, registration, deletion, writing templates
// back, the reading period and the version print. Each runs to its end
// in the event loop and tells the user what went wrong; the window shows
// what the hooks report and keeps its buttons off meanwhile.
#include "base/messagecatalogue.h"
#include "base/prompter.h"
#include "deletepassword.h"
#include "fingerexchange.h"
#include "fingerfiles.h"
#include "fingerusers.h"

#include <QString>
#include <array>
#include <functional>

class Messenger;
struct AppState;

// The row and finger a recognised finger belongs to.
struct FoundFinger {
    int row = 0; // 0: nobody in the table
    int finger = 0;
    bool found() const { return row > 0; }
};

class FingerUnit {
public:
    FingerUnit(OutputChannel &channel, Messenger &messenger, FingerUsers &users, FingerFiles &files);

    void setTimes(const fingerunit::Times &times) { times_ = times; }
    const fingerunit::Times &times() const { return times_; }
    FingerExchange &exchange() { return ex_; }
    Messenger &messenger() { return messenger_; }

    // ---- what the window shows -----------------------------------------
    std::function<void(const QString &)> status;          // the status panel; empty clears it
    std::function<void(int value, int maximum)> progress; // maximum 0 hides the bar
    std::function<void(int done, int total)> items;       // templates of a sequence; total 0 at its end
    std::function<void(int seconds)> countdown;           // PassView: the seconds left, -1 hides
    std::function<void(int row)> selectRow;               // the grid's current row
    std::function<void(const FoundFinger &)> highlight;   // the recognised cell, yellow
    std::function<void(const QString &)> showFile;        // the file box (the data file path)

    // Esc on the window: the running wait ends, the sequence stops.
    void cancel() { ex_.cancel(); }

    // ---- commands ---------------------------------------------------------
    // CTS and DSR, asking until they come or the user cancels.
    bool linesReady() { return ex_.linesReady(); }
    // "O" / "C": exactly 02 6F 03 / 02 63 03 within 2 s.
    bool enableRead();
    bool disableRead();
    // enableRead(), and when the unit does not open reading, tells why: its
    // own fault (dirty sensor, unit error) or 「読み取り許可応答がありません。」;
    // nothing after Esc.
    bool openReading(const QString &caption = kAppTitle);
    // Classifies an unexpected reply by its second byte and tells the user
    // (dirty sensor, unit error); false for D, E, I and s.
    bool cdrErrChk(const QByteArray &reply);

    // ---- sequences --------------------------------------------------------
    // ReadMsgFingerID: "L", the list into the table; notice 912 unless
    // silent, notice 20 on timeout or a refused reply.
    bool readRegistrants(bool silent);
    // "U" for finger 1 and 2 of each row first..last that has an ID; the
    // templates go into the table. Notice 913 at the end unless called
    // from saving.
    bool readTemplates(int first, int last, bool forSaving);
    // A new user with both fingers, the IDs already checked (IdCheck::ids);
    // the caller has run linesReady() and state 914. Asks before the
    // fingers are read, appends the row to the data file, re-reads the list.
    bool registerUser(const std::array<QByteArray, 2> &ids);
    // The selected rows (all of them: "A"), after the question and the
    // delete password; the data file loses the rows; the list is re-read.
    bool deleteUsers(int first, int last, const DeletePassword &password, const PasswordInput &input);
    // Templates of the rows (from a file) back to the unit, each row then
    // appended to the data file; notice 923, or 21 on failure. Rows read
    // from the data file itself are in it already: appending them again
    // would put every row there twice.
    bool writeTemplates(int first, int last, bool appendToDataFile = true);
    // SerchFinger: marker + ID of a recognised-finger message; the state
    // becomes 9212 when the table has it, else stays 9211.
    FoundFinger serchFinger(const QByteArray &markerAndId);
    // The reading period of the finger check: reading opened, a countdown
    // of seconds, the first recognised finger looked up, reading closed.
    // Nothing when reading could not be opened or no finger came.
    std::optional<FoundFinger> readingPeriod(int seconds = 10);
    // "V", then the version printed by the print engine.
    bool printVersion();

private:
    enum class Outcome { Ok, Wrong, Timeout, Cancelled };
    bool sendCommand(char letter, int finger = -1, const QByteArray &id = {});
    // A command whose reply must be exactly the expected frame.
    Outcome exactCommand(char letter, int finger = -1, const QByteArray &id = {});
    // What a reply that is not the expected one tells: the unit's own
    // error, or (when it says nothing) the timeout text.
    void tellNoReply(const QByteArray &received, const QString &timeoutText, Icon icon = Icon::Information,
                     const QString &caption = kAppTitle);
    std::optional<QByteArray> readTemplate(int row, int finger, const QByteArray &id);
    void setState(int code);
    int templatesIn(int first, int last) const;
    void showItems(int done, int total);
    void tellStatus(const QString &text);
    void showProgress(int value, int maximum);
    void settle(int maximum);
    void timeoutNotice();

    OutputChannel &ch_;
    Messenger &messenger_;
    FingerUsers &users_;
    FingerFiles &files_;
    FingerExchange ex_;
    fingerunit::Times times_;
    QByteArray lastReply_; // what the last exact command received
};
