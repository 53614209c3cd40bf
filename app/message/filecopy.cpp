#include "filecopy.h"

#include "comm/appcontext.h"
#include "filenamecheck.h"
#include "msdfile.h"

#include <QFile>

namespace filecopy {

namespace {
constexpr int kCopied = 18;
constexpr int kCopyFailed = 19;

// The record as stored: a text that fills the whole field has no 0xFF.
QByteArray storedRecord(const MsdRecord &r)
{
    if (r.text.size() <= MsdFile::kTextCapacity)
        return MsdFile::encodeRecord(r.text);
    return QByteArray(MsdFile::kReservedSize, '\0') + r.text;
}

// MsdFile writes each text with its 0xFF, for which a full field has no
// room; so such a copy rewrites the destination whole, keeping what it
// holds after the copied records.
bool replaceRecords(const QString &destination, const QList<MsdRecord> &records)
{
    QByteArray all;
    for (const MsdRecord &r : records)
        all += storedRecord(r);
    QFile f(destination);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (f.size() > all.size()) {
        if (!f.seek(all.size()))
            return false;
        all += f.readAll();
        if (f.error() != QFileDevice::NoError)
            return false;
    }
    f.close();
    return MsdFile::replaceWhole(destination, all);
}
} // namespace

bool copy(AppContext &ctx, const QString &sourceName, const QString &destinationName)
{
    Messenger &m = ctx.messenger();
    // 1.
    const auto source = filenamecheck::applyExtensionRule(sourceName);
    if (!source) {
        m.showCatalogMessage(58);
        return false;
    }
    // 2.
    const MsdFile from(*source);
    if (!from.exists()) {
        m.showCatalogMessage(kCopyFailed);
        return false;
    }
    // 3.
    const auto destination = filenamecheck::check(ctx, destinationName);
    if (!destination)
        return false;
    // 4.
    if (ctx.state.toolState == kWholeFileState) {
        QFile f(*source);
        if (!f.open(QIODevice::ReadOnly)) {
            m.showCatalogMessage(kCopyFailed);
            return false;
        }
        const QByteArray all = f.readAll();
        if (f.error() != QFileDevice::NoError || !MsdFile::replaceWhole(*destination, all)) {
            m.showCatalogMessage(kCopyFailed);
            return false;
        }
    } else {
        // The bytes are copied as stored: text that is not valid CP932
        // arrives unchanged. Records the source does not have are empty.
        const auto records = from.readRecords();
        if (!records) {
            m.showCatalogMessage(kCopyFailed);
            return false;
        }
        QMap<int, QByteArray> texts;
        bool fullField = false;
        for (int i = 0; i < records->size(); ++i) {
            const QByteArray &text = records->at(i).text;
            texts.insert(i + 1, text);
            fullField = fullField || text.size() > MsdFile::kTextCapacity;
        }
        const bool copied =
            fullField ? replaceRecords(*destination, *records) : MsdFile(*destination).writeRecords(texts);
        if (!copied) {
            m.showCatalogMessage(kCopyFailed);
            return false;
        }
    }
    // 5.
    m.showCatalogMessage(kCopied);
    return true;
}

} // namespace filecopy
