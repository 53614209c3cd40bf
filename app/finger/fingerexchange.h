#pragma once
// The fingerprint unit's commands and the way each is carried on the
// shared serial channel. The unit sits behind the print engine on the same
// line and speaks its own frames:
//
//   host to unit   08 02 <letter> [marker ID] 03
//   unit to host   02 <reply byte> [parameters] 03
//   templates      02 ... 03 <check byte>
//
// Except for template reception (tool state 913, the ETX block of the
// receive side) nothing frames the unit's replies: the receive threshold
// is 0 and the exchange reads the port itself.
#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>

class OutputChannel;
class PrinterExchange;

namespace fingerunit {

constexpr char kCommandLead = 0x08; // every command to the unit
constexpr char kPrintLead = 0x07;   // every job for the print engine

// Each wait the exchanges use; the program runs with these, tests shorten
// them.
struct Times {
    int openCloseMs = 2000;
    int listSilenceMs = 10000;
    int templateMs = 15000;
    int deleteMs = 20000;
    int registerStartMs = 20000;
    int registerReadMs = 60000; // the finger is read three times meanwhile
    int writeReplyMs = 3000;
    int versionMs = 10000;
    int settleMs = 500; // the progress bar stays full this long
};

enum class Reply {
    Exact,    // exactly the expected frame, replyBytes long
    UpToEtx,  // any text up to ETX
    Template, // raw bytes whose byte before the last is ETX
};

enum class InputMode { Text, Bytes };

struct Command {
    char letter;
    bool withUser; // the finger marker and the 7 ID bytes follow the letter
    Reply reply;
    int replyBytes; // bytes waited for when Exact
    int Times::*wait;
    InputMode mode;
    bool byteByByte; // input length 1: read one byte at a time
    const char *what;
};

// The unit's command set; nothing for an unknown letter.
const Command *command(char letter);

// 08 02 letter [m ID] 03.
QByteArray frame(char letter, int finger = -1, const QByteArray &id = {});
// The reply accepted as success of an Exact command: 02, the letter in
// lower case, m and ID where the command has them, 03.
QByteArray expectedReply(char letter, int finger = -1, const QByteArray &id = {});

} // namespace fingerunit

// One exchange with the unit over the shared channel: port preparation,
// the send with the channel's checks, and the receive modes of the unit.
class FingerExchange {
public:
    explicit FingerExchange(OutputChannel &channel);
    ~FingerExchange();

    OutputChannel &channel() { return ch_; }
    // CTS, then DSR after the DTR wait, asking until they come or the user
    // cancels.
    bool linesReady();

    // Port open (opened if closed), both queues emptied, DTR on, receive
    // threshold 0 (1 in byte mode), input length 1 for byte-by-byte reads.
    bool prepare(const fingerunit::Command &command);
    // The bytes with the channel's drain and DSR checks; false on cancel
    // or a lost line.
    bool send(const QByteArray &bytes);
    // The DSR check after a command (204 until DSR or cancel).
    bool dsrCheck();

    struct Received {
        QByteArray bytes;
        bool complete = false; // the end the mode waits for came in time
        bool overLimit = false;
    };
    // n bytes within ms.
    Received receiveCount(int n, int ms);
    // One byte at a time up to ETX; the timeout counts only the time
    // without a byte (the timer is stopped while bytes come). Bytes before
    // the first STX are dropped. Stops after limit bytes. progress gets the
    // count after each byte.
    Received receiveToEtx(int silenceMs, int limit, const std::function<void(int)> &progress = {});
    // Template reception: tool state 913 (set by prepare() in byte mode, so
    // that a quick reply is framed too) until it ends; the receive side
    // collects the block; complete when the byte before the last is
    // ETX. More than limit bytes end it at once (overLimit).
    Received receiveTemplate(int ms, int limit, const std::function<void(int)> &progress = {});
    // Each byte after the output has drained and DSR is on, on the open
    // port; progress gets the index of each byte sent.
    bool writeBytes(const QByteArray &bytes, const std::function<void(int)> &progress = {});

    // Back to the tool state before template reception.
    void restoreState();

    // Esc or a cancel button: the running wait ends as a failure.
    void cancel();
    bool cancelled() const;
    void clearCancel();

private:
    bool waitWhile(const std::function<bool()> &more, int pollMs);
    OutputChannel &ch_;
    std::unique_ptr<PrinterExchange> ex_;
    std::optional<qint16> savedState_;
};
