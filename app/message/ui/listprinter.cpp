#include "listprinter.h"

#include "base/catalogcodes.h"
#include "base/messagecatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace listprinter {

Result print(const QString &text, const QString &documentName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    const QString pdf = qEnvironmentVariable(kPdfVariable);
    if (!pdf.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QFile probe(pdf);
        const bool existed = probe.exists();
        if (!probe.open(QIODevice::Append))
            return Result::Failed;
        probe.close();
        if (!existed)
            probe.remove();
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return Result::NoPrinter;
        printer.setPrinterName(info.printerName());
        if (!printer.isValid())
            return Result::NoPrinter;
    }
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);

    QTextDocument doc;
    QFont font(QStringLiteral("IPAGothic"), 10);
    font.setStyleHint(QFont::TypeWriter);
    doc.setDefaultFont(font);
    doc.setPlainText(text);
    doc.print(&printer);
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return Result::Failed;
    if (!pdf.isEmpty() && QFileInfo(pdf).size() == 0)
        return Result::Failed;
    return Result::Printed;
}

Result printAndTell(Messenger &messenger, const QString &text, const QString &documentName)
{
    const Result result = print(text, documentName);
    switch (result) {
    case Result::Printed:
        messenger.showCatalogMessage(msg::ListPrinted);
        break;
    case Result::NoPrinter:
        messenger.showMessage(QStringLiteral("印刷用プリンタが見つかりません。\r\n"
                                             "プリンタの設定を確認して下さい。"),
                              Icon::Exclamation, kAppTitle);
        break;
    case Result::Failed:
        messenger.showCatalogMessage(msg::OutputStopped);
        break;
    }
    return result;
}

} // namespace listprinter
