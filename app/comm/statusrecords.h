#pragma once
// The status records a printer sends on its own (power on, switches, paper
// end, errors, ticket issue, printed data) turned into display lines.
//
// A record is: one event letter, day, hour, minute and second as two ASCII
// digits each, optional data, NUL. Every line starts with the time prefix
// DD日hh時mm分ss秒 and a full-width space. Pure functions over bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace statusrecords {

// Which event table applies: the ticket printer's or the unit-setting
// printers'.
enum class Printer { Ticket, Unit };

// How the unit-setting printers' printed data is laid out: "VUX" puts each
// channel's value on its own line, "UX" keeps the values on one line.
enum class UnitModel { Vux, Ux };

// Tool states below 801 watch the ticket printer, the others the
// unit-setting printers.
Printer printerFor(qint16 toolState);

// The table text of an event letter; "未確認動作です。" for a letter the
// table does not hold. For the ticket 'N' it is the text that follows the
// ticket number; the unit 'A' (printed data) is built by decode().
QString eventText(Printer printer, char code);

// DD日hh時mm分ss秒 + U+3000 from bytes 2..9 of the record. Missing bytes
// leave their field empty.
QString timePrefix(const QByteArray &record);

// The display lines of one record (bytes up to, or including, its NUL).
// One line, except for the unit-setting printed data of a "VUX", which
// gives a header line and one line per channel. Lines never hold a line
// break: other control bytes are shown as their control pictures (␊ ...).
QStringList decode(const QByteArray &record, Printer printer, UnitModel model);

// The printed-data lines of a unit-setting 'A' record with its prefix.
// Every CR but the last separates two values: "UX" joins them with
// "DATA ", "VUX" starts a new line "        CH.<i>-" for the i-th. The last
// CR ends the data; what follows it is not shown.
QStringList printedData(const QString &prefix, const QString &data, UnitModel model);

// What the monitor shows for a recognised finger of the fingerprint unit:
// the finger marker ("P" first finger, else second) and the 7-character ID.
QString fingerLine(const QByteArray &markerAndId);

} // namespace statusrecords
