// libFuzzer target: zentrix.ini records of any content and length, decoded
// and, for inputs that start with 'F', also loaded and saved through a
// file in memory.
#include "fuzzsupport.h"

#include "base/settingsfile.h"

#include <QFile>

using fuzzsupport::check;

namespace {

void checkValidated(const settingsfile::Loaded &l)
{
    const OutputSettings &s = l.settings;
    check(s.comPort >= 1 && s.comPort <= 30, "port COM1..COM30");
    check(s.interfaceName == kInterfaceSerial || s.interfaceName == kInterfaceParallel, "a known interface");
    check(s.baudText.size() == 8, "a speed text of 8 characters");
    check(l.byteIntervalSet == (s.byteInterval >= 1) && s.byteInterval >= 0, "byte interval set or 0");
    check(l.numberIntervalSet == (s.numberInterval != 0) && s.numberInterval >= 0 && s.numberInterval <= 600000,
          "number interval set or 0");
    check(s.dtrWait != 0, "a DTR wait");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    const settingsfile::Loaded loaded = settingsfile::decode(raw);
    checkValidated(loaded);

    // Validated settings survive their own record unchanged.
    const QByteArray record = settingsfile::encode(loaded.settings);
    check(record.size() == settingsfile::kRecordSize, "a record of 38 bytes");
    const settingsfile::Loaded again = settingsfile::decode(record);
    check(again.settings == loaded.settings, "encode and decode round trip");
    check(again.byteIntervalSet == loaded.byteIntervalSet && again.numberIntervalSet == loaded.numberIntervalSet,
          "the interval flags round trip");

    if (size == 0 || data[0] != 'F')
        return 0;
    const QString path = fuzzsupport::scratchFolder() + QStringLiteral("/zentrix.ini");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(raw) != raw.size())
            fuzzsupport::fail("the scratch file is written");
    }
    AppState state;
    settingsfile::load(state, path);
    check(state.output == loaded.settings, "load reads record 1 as decode does");
    QString error;
    check(settingsfile::save(state.output, path, &error), "save succeeds");
    QFile f(path);
    check(f.open(QIODevice::ReadOnly), "the saved file opens");
    const QByteArray saved = f.readAll();
    check(saved.left(settingsfile::kRecordSize) == record, "save writes record 1");
    check(saved.mid(settingsfile::kRecordSize) == raw.mid(settingsfile::kRecordSize),
          "save keeps what follows record 1");
    return 0;
}
