#pragma once
// What zentrix-cli was asked to do, from its arguments:
//
//   zentrix-cli [--port P]... [--speed 9600] [--parity none|even|odd]
//               [--yes] [--json] [--trace FILE] TOOL OPERATION [ARGS]
//
// Options may stand anywhere; the tool's own options (--model, --as, ...)
// are kept by name for the tool to read.
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace cli {

// Exit statuses; several ports give the worst.
enum Status { Done = 0, NotConfirmed = 1, BadInput = 2, PortFailed = 3 };

struct Request {
    QStringList ports; // empty: the settings' port
    int speed = 0;     // 0: the settings'
    int parity = -1;   // -1: the settings'; 0 none, 1 even, 2 odd
    bool yes = false;
    bool json = false;
    bool help = false;
    QString trace;
    QString tool;
    QString operation;
    QStringList args;             // after the operation
    QHash<QString, QString> opts; // tool options with a value, by name
    QSet<QString> flags;          // tool options without one

    QString opt(const QString &name, const QString &fallback = {}) const { return opts.value(name, fallback); }
    bool has(const QString &name) const { return opts.contains(name) || flags.contains(name); }
};

// The request, or the reason the arguments are not one (in Japanese).
struct Parsed {
    std::optional<Request> request;
    QString error;
};
Parsed parse(const QStringList &arguments);

// The arguments again without the --port options, for one port each.
QStringList withoutPorts(const QStringList &arguments);

// "1,3,5-7" as numbers in order; nothing for a malformed list or a number
// outside lo..hi.
std::optional<QList<int>> numberList(const QString &text, int lo, int hi);
// "A-B" or "A"; nothing when malformed or outside lo..hi.
std::optional<std::pair<int, int>> numberRange(const QString &text, int lo, int hi);
// A whole number lo..hi, nothing otherwise.
std::optional<int> number(const QString &text, int lo, int hi);

QString programHelp();
QString toolHelp(const QString &tool);
bool knownTool(const QString &tool);

} // namespace cli
