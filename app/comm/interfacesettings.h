#pragma once
// What the output-interface settings window ComIF shows and does, apart
// from its widgets: the summary texts, the port list, the interval box
// rules and the set step that applies the port and writes zentrix.ini.
#include "base/appstate.h"

#include <QStringList>

#include <optional>

class AppContext;

namespace interfacesettings {

// Option captions in the order of Option3..Option5 and Option6..Option11.
inline const QStringList kParityCaptions{
    QStringLiteral("8bit　パリティ無し　1stop"),
    QStringLiteral("8bit　偶数パリティ　1stop"),
    QStringLiteral("8bit　奇数パリティ　1stop"),
};
inline const QStringList kBaudTexts{"1200bps ", "2400bps ", "4800bps ", "9600bps ", "19200bps", "38400bps"};

inline const QString kNoParallelSetting = QStringLiteral("当PCではパラレルI/Fの設定はできません。");

// Largest values the two interval boxes take.
constexpr int kByteIntervalLimit = 999;
constexpr int kNumberIntervalLimit = 9999;

// The six summary labels of the first tab.
struct Summary {
    QString label1; // interface
    QString label2; // protocol (prefix only for parallel)
    QString label3; // speed (prefix only for parallel)
    QString label4; // byte interval, or the DTR wait in the unit-setting tool
    QString label5; // number interval, or the reply wait in the unit-setting tool
    QString label6; // "(COM3)" or "(0378)"
};
Summary summary(const AppState &state);

// "0278", "0378", "03BC" for the standard addresses, else the address in
// upper-case hexadecimal.
QString lptText(qint32 base);
// The address for a port text: the three standard names or 1-8
// hexadecimal digits other than 0; nothing for anything else.
std::optional<qint32> parseLptText(const QString &text);

// The drop-down list for the interface in use and its current text.
struct PortList {
    QStringList items;
    QString current;
};
PortList portList(const OutputSettings &settings);

// The numeric value of a box: optional sign and the leading digits, as far
// as they go (0 when there are none), held to the int32 range.
qint32 numericValue(const QString &text);
// At least `digits` digits, zero-filled: 7 -> "007", -5 -> "-005".
QString zeroPadded(qint32 value, int digits);

// An edit of an interval box: an empty box means 0; a value above the
// limit is replaced by the limit in the box.
struct IntervalEdit {
    qint32 value = 0;
    std::optional<QString> replaceWith;
};
IntervalEdit intervalEdit(const QString &text, int limit);

// What the set button reads from the window.
struct ConfirmInput {
    QString portText;      // Combo1
    QString dtrWaitText;   // Text3
    QString replyWaitText; // Text4
};

enum class ApplyResult {
    Saved,           // applied and written; the window closes
    ParallelRefused, // no port library: told the user, nothing saved
    BadPort,         // the port text means no port: told the user, nothing saved
    SaveFailed,      // applied in memory, the file could not be written: told the user
};

// The set button: applies the port choice (opens the serial port, or
// prepares the parallel port) and writes the whole record to zentrix.ini.
// Every failure is told to the user here.
ApplyResult apply(AppContext &ctx, const ConfirmInput &input);

} // namespace interfacesettings
