#pragma once
// The file operations of the unit-setting window: open, save and delete a
// setting set, and the text of the settings print-out. Each takes the model
// and set number the selection dialog gave, reads and leaves the boxes in
// a UnitForm, and tells the user through the catalogue.
#include "unitsettings.h"

#include "message/msdfile.h"

#include <QList>
#include <QString>

#include <optional>

class AppContext;

namespace unit {

struct UnitForm {
    QString fileName; // Text1
    UnitSettings settings;
};

class UnitFileOperations {
public:
    explicit UnitFileOperations(AppContext &ctx);

    // Checks the name (offering to create the file) and loads the model's
    // area from set g; an empty set gives the defaults. A set that was
    // not as written is loaded as far as it goes, and the user is told.
    bool open(UnitForm &form, Model model, int set);
    // Checks the model's area (the first fault goes to *fault, and its
    // message is shown; the boxes keep what the check made of them), then
    // writes the set: 635 asks when it is in use, 634 when written.
    bool save(UnitForm &form, Model model, int set, Fault *fault = nullptr);
    // 636 asks, the model's records of the set become empty, 637.
    bool remove(UnitForm &form, Model model, int set);
    // The text of the print-out, after the file-name check.
    std::optional<QString> printText(UnitForm &form);

private:
    bool selectionValid(Model model, int set);

    AppContext &ctx_;
};

// "ファイル名　" and the path, then every set in use: per model its label
// and each item tagged "[No.g" "CH.c NAME]  ", " D.P.]  ", " UNIT]  ",
// " RATE]  " (the comparison values "[No.g-CH.1 COMPARE]  " and
// "-CH.2 COMPARE]  "; the indicator " INDICATOR]  ") followed by its value.
QString buildPrintList(const QString &path, const QList<MsdRecord> &records);

} // namespace unit
