#include "printjob.h"

namespace printermodels {

const QList<PrinterModel> &all()
{
    static const QByteArray escH1("\x1B"
                                  "h1");
    static const QByteArray escH3("\x1B"
                                  "h3");
    static const QList<PrinterModel> models = {
        {QStringLiteral("2085J/3807C"), {}},
        {QStringLiteral("2263/405MB"), {}},
        {QStringLiteral("405M/733C"), escH1},
        {QStringLiteral("7W4"), {}},
        {QStringLiteral("744"), {}},
        {QStringLiteral("853H"), escH1, true},
        {QStringLiteral("853VH"), {}},
        {QStringLiteral("K-2200TW"), escH3},
        {QStringLiteral("270/271/270HB"), {}},
        {QStringLiteral("350M/35YH"), {}},
        {QStringLiteral("350QLM"), {}},
        {QStringLiteral("4YY"), {}},
        {QStringLiteral("222/420/425"), {}, false, true},
    };
    return models;
}

const PrinterModel *find(const QString &name)
{
    for (const PrinterModel &m : all()) {
        if (m.name == name)
            return &m;
    }
    return nullptr;
}

} // namespace printermodels

notation::ConvertOptions convertOptions(const ModelSelection &selection)
{
    const PrinterModel *m = printermodels::find(selection.model);
    notation::ConvertOptions options;
    options.lineEndChoiceModel = m && m->lineEndChoice;
    options.lineEndChoice = selection.lineEnd;
    return options;
}

QByteArray endCommand(const ModelSelection &selection)
{
    const PrinterModel *m = printermodels::find(selection.model);
    return m ? m->endCommand : QByteArray();
}

QByteArray printJob(const QString &content, const ModelSelection &selection)
{
    return notation::convertForPrinter(content, convertOptions(selection)) + endCommand(selection);
}
