#include "filecopy.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "filenamecheck.h"
#include "msdfile.h"

#include <QFile>

namespace filecopy {

namespace {
constexpr int kCopied = msg::CopyDone;
constexpr int kCopyFailed = msg::CopySourceMissing;
} // namespace

bool copy(AppContext &ctx, const QString &sourceName, const QString &destinationName)
{
    Messenger &m = ctx.messenger();
    // 1.
    const auto source = filenamecheck::applyExtensionRule(sourceName);
    if (!source) {
        m.showCatalogMessage(msg::NotMessageFile);
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
        QMap<int, MsdRecord> stored;
        for (int i = 0; i < records->size(); ++i)
            stored.insert(i + 1, records->at(i));
        const bool copied = MsdFile(*destination).writeStoredRecords(stored);
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
