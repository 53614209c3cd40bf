#pragma once
// What one send of the print tester transmits (PrintJob): the content in
// the printer notation, then the end command of the selected printer
// model. The model box lists the 13 models below; none is selected at
// start, which sends no end command.
#include "comm/notation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct PrinterModel {
    QString name;          // as the model box "機種選択" shows it
    QByteArray endCommand; // sent after every job
    // The printer has no DSR line: the DSR checks are skipped from the
    // first run until the user goes back to the menu.
    bool noModemLines = false;
    // Line ends come from the line-end box "印字改行"; the text's own CR
    // and LF are dropped.
    bool lineEndChoice = false;
};

namespace printermodels {

// The models in the order of the box.
const QList<PrinterModel> &all();
// The model of that name; nullptr for none selected or an unknown name.
const PrinterModel *find(const QString &name);

} // namespace printermodels

// The line-end box "印字改行", by index.
namespace LineEnds {
constexpr int Cr = 0;
constexpr int Lf = 1;
constexpr int CrLf = 2;
} // namespace LineEnds
inline const QStringList kLineEndNames = {QStringLiteral("CR"), QStringLiteral("LF"), QStringLiteral("CR+LF")};

// The two boxes that shape a job.
struct ModelSelection {
    QString model; // model box text, empty when none is selected
    int lineEnd = LineEnds::Cr;
};

// The conversion options of the selection (the line-end choice applies
// only to the model that takes it).
notation::ConvertOptions convertOptions(const ModelSelection &selection);
QByteArray endCommand(const ModelSelection &selection);
// One job: the display-form content converted, then the end command.
QByteArray printJob(const QString &content, const ModelSelection &selection);
