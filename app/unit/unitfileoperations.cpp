#include "unitfileoperations.h"
#include "message/fileproblems.h"

#include "comm/appcontext.h"
#include "message/displayform.h"
#include "message/filenamecheck.h"
#include "unitselection.h"
#include "unitsetfile.h"

namespace unit {

namespace {

QString tag(int set, int channel, const char *item)
{
    return QStringLiteral("[No.%1CH.%2 %3]  ").arg(set).arg(channel).arg(QLatin1String(item));
}

void listVux(QString &text, int set, const VuxSettings &s)
{
    const QString &br = displayform::kLineBreak;
    text += kVuxLabel + br;
    for (int c = 1; c <= kVuxChannels; ++c) {
        const VuxChannel &ch = s.channel(c);
        text += tag(set, c, "NAME") + displayform::marksToSpaces(ch.name) + br;
        text += tag(set, c, "D.P.") + ch.decimalPoint + br;
        text += tag(set, c, "UNIT") + ch.unit + br;
        text += tag(set, c, "RATE") + ch.rate + br;
    }
    for (int c = 1; c <= kCompareChannels; ++c)
        text += QStringLiteral("[No.%1-CH.%2 COMPARE]  ").arg(set).arg(c) + s.compare[size_t(c - 1)] + br;
}

void listUx(QString &text, int set, const UxSettings &s)
{
    const QString &br = displayform::kLineBreak;
    text += kUxLabel + br;
    text += tag(set, 1, "D.P.") + s.decimalPoint1 + br;
    text += tag(set, 2, "D.P.") + s.decimalPoint2 + br;
    text += tag(set, 1, "UNIT") + s.unit + br;
    text += tag(set, 1, "INDICATOR") + s.indicator + br;
}

} // namespace

UnitFileOperations::UnitFileOperations(AppContext &ctx) : ctx_(ctx) {}

bool UnitFileOperations::selectionValid(Model model, int set)
{
    // The dialog checks these; an operation still never works on a record
    // outside the set.
    if (model == Model::None) {
        ctx_.messenger().showCatalogMessage(kNoModelMessage);
        return false;
    }
    if (!isSetNumber(set)) {
        ctx_.messenger().showCatalogMessage(kBadNumberMessage);
        return false;
    }
    return true;
}

bool UnitFileOperations::open(UnitForm &form, Model model, int set)
{
    if (!selectionValid(model, set))
        return false;
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return false;
    form.fileName = *path;
    QString error;
    const auto records = MsdFile(*path).readRecords(kSetRecords, &error);
    if (!records) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), *path, error);
        return false;
    }
    const SetRead read = decodeSet(model, set, *records, form.settings);
    if (read.damaged)
        ctx_.messenger().showMessage(QStringLiteral("保存番号%1の内容に正しくない部分があります。\r\n"
                                                    "読み取れない項目は初期値で表示します。")
                                         .arg(set),
                                     Icon::Exclamation, fileproblems::kTitle);
    return true;
}

bool UnitFileOperations::save(UnitForm &form, Model model, int set, Fault *fault)
{
    Messenger &m = ctx_.messenger();
    if (!selectionValid(model, set))
        return false;
    const Fault f = checkModel(model, form.settings);
    if (fault)
        *fault = f;
    if (!f.ok()) {
        m.showCatalogMessage(f.code);
        return false;
    }
    const auto path = fileproblems::pathToSaveInto(ctx_, form.fileName);
    if (!path)
        return false;
    const MsdFile file(*path);
    QString error;
    const auto records = file.readRecords(kSetRecords, &error);
    if (!records) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), *path, error);
        return false;
    }
    ctx_.state.ticketSaveNumber = set;
    if (setInUse(model, set, *records) && m.showCatalogMessage(635) != Answer::Yes)
        return false;
    if (!file.writeRecords(encodeSet(model, set, form.settings), &error)) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルに書き込めませんでした。"), *path, error);
        return false;
    }
    m.showCatalogMessage(634);
    return true;
}

bool UnitFileOperations::remove(UnitForm &form, Model model, int set)
{
    Messenger &m = ctx_.messenger();
    if (!selectionValid(model, set))
        return false;
    const auto path = filenamecheck::check(ctx_, form.fileName, filenamecheck::Steps::UpToFolders);
    if (!path)
        return false;
    form.fileName = *path;
    const MsdFile file(*path);
    if (!file.exists()) {
        m.showCatalogMessage(52);
        return false;
    }
    return fileproblems::removeSaved(ctx_, file, set, recordsOf(model, set));
}

std::optional<QString> UnitFileOperations::printText(UnitForm &form)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return std::nullopt;
    form.fileName = *path;
    QString error;
    const auto records = MsdFile(*path).readRecords(kSetRecords, &error);
    if (!records) {
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), *path, error);
        return std::nullopt;
    }
    return buildPrintList(*path, *records);
}

QString buildPrintList(const QString &path, const QList<MsdRecord> &records)
{
    QString text = QStringLiteral("ファイル名　") + path + displayform::kLineBreak;
    for (int set = 1; set <= kSetCount; ++set) {
        UnitSettings s;
        if (setInUse(Model::Vux, set, records)) {
            decodeSet(Model::Vux, set, records, s);
            listVux(text, set, s.vux);
        }
        if (setInUse(Model::Ux, set, records)) {
            decodeSet(Model::Ux, set, records, s);
            listUx(text, set, s.ux);
        }
    }
    return text;
}

} // namespace unit
