#include "base/settingsfile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

QByteArray record(qint16 port, const QByteArray &name, const QByteArray &baud, qint16 byteInt = 0, qint32 numberInt = 0,
                  qint32 dtr = 0)
{
    QByteArray r(38, '\0');
    qToLittleEndian<qint16>(port, r.data());
    r.replace(6, 8, name.leftJustified(8, ' ', true));
    r.replace(14, 8, baud.leftJustified(8, '\0', true));
    qToLittleEndian<qint16>(byteInt, r.data() + 24);
    qToLittleEndian<qint32>(numberInt, r.data() + 26);
    qToLittleEndian<qint32>(dtr, r.data() + 30);
    return r;
}

const QByteArray kParallelBytes("\x83\x70\x83\x89\x83\x8C\x83\x8B", 8);

} // namespace

TEST(SettingsRecord, EmptyRecordGivesTheDocumentedDefaults)
{
    const auto loaded = settingsfile::decode(QByteArray());
    const OutputSettings &s = loaded.settings;
    EXPECT_EQ(s.comPort, 1);
    EXPECT_EQ(s.lptBase, 0);
    EXPECT_EQ(s.interfaceName, QStringLiteral("シリアル"));
    EXPECT_EQ(s.baudText, QStringLiteral("9600bps "));
    EXPECT_EQ(s.parity, 0);
    EXPECT_FALSE(loaded.byteIntervalSet);
    EXPECT_FALSE(loaded.numberIntervalSet);
    EXPECT_EQ(s.dtrWait, 100);
    EXPECT_EQ(s.replyWait, 0);
}

TEST(SettingsRecord, PortOutsideOneToThirtyFallsBackToCom1)
{
    EXPECT_EQ(settingsfile::decode(record(31, "", "9600bps ")).settings.comPort, 1);
    EXPECT_EQ(settingsfile::decode(record(0, "", "9600bps ")).settings.comPort, 1);
    EXPECT_EQ(settingsfile::decode(record(-3, "", "9600bps ")).settings.comPort, 1);
    EXPECT_EQ(settingsfile::decode(record(30, "", "9600bps ")).settings.comPort, 30);
    EXPECT_EQ(settingsfile::decode(record(12, "", "9600bps ")).settings.comPort, 12);
}

TEST(SettingsRecord, BaudTextMustBeOneOfTheSixLabels)
{
    EXPECT_EQ(settingsfile::decode(record(1, "", "9600bps")).settings.baudText, QStringLiteral("9600bps "));
    EXPECT_EQ(settingsfile::decode(record(1, "", "19200bps")).settings.baudText, QStringLiteral("19200bps"));
    EXPECT_EQ(settingsfile::decode(record(1, "", "1200bps ")).settings.baudText, QStringLiteral("1200bps "));
    EXPECT_EQ(settingsfile::decode(record(1, "", "57600bps")).settings.baudText, QStringLiteral("9600bps "));
}

TEST(SettingsRecord, InterfaceNameReadsBackParallelAndRejectsGarbage)
{
    EXPECT_EQ(settingsfile::decode(record(1, kParallelBytes, "")).settings.interfaceName, QStringLiteral("パラレル"));
    // Bytes that are not CP932 at all.
    EXPECT_EQ(settingsfile::decode(record(1, QByteArray("\x81\x20\xFF\xFF\xA0\x80", 6), "")).settings.interfaceName,
              QStringLiteral("シリアル"));
    EXPECT_EQ(settingsfile::decode(record(1, "PARALLEL", "")).settings.interfaceName, QStringLiteral("シリアル"));
}

TEST(SettingsRecord, IntervalsOutsideTheirRangesAreNotSet)
{
    auto a = settingsfile::decode(record(1, "", "", -5, 600001, 0));
    EXPECT_EQ(a.settings.byteInterval, 0);
    EXPECT_FALSE(a.byteIntervalSet);
    EXPECT_EQ(a.settings.numberInterval, 0);
    EXPECT_FALSE(a.numberIntervalSet);
    auto b = settingsfile::decode(record(1, "", "", 50, 600000, 250));
    EXPECT_EQ(b.settings.byteInterval, 50);
    EXPECT_TRUE(b.byteIntervalSet);
    EXPECT_EQ(b.settings.numberInterval, 600000);
    EXPECT_TRUE(b.numberIntervalSet);
    EXPECT_EQ(b.settings.dtrWait, 250);
}

TEST(SettingsRecord, ShortRecordIsReadAsFarAsItGoes)
{
    QByteArray r = record(7, kParallelBytes, "38400bps").left(10);
    const auto loaded = settingsfile::decode(r);
    EXPECT_EQ(loaded.settings.comPort, 7);
    // The name is cut in the middle: not a valid word, so serial.
    EXPECT_EQ(loaded.settings.interfaceName, QStringLiteral("シリアル"));
    EXPECT_EQ(loaded.settings.baudText, QStringLiteral("9600bps "));
}

TEST(SettingsRecord, EncodeLaysOutTheExactBytes)
{
    OutputSettings s;
    s.comPort = 12;
    s.lptBase = 0x378;
    s.interfaceName = QStringLiteral("パラレル");
    s.baudText = QStringLiteral("19200bps");
    s.parity = 2;
    s.byteInterval = 50;
    s.numberInterval = 1500;
    s.dtrWait = 100;
    s.replyWait = 3000;
    const QByteArray r = settingsfile::encode(s);
    ASSERT_EQ(r.size(), 38);
    EXPECT_EQ(r.mid(0, 2), QByteArray("\x0C\x00", 2));
    EXPECT_EQ(r.mid(2, 4), QByteArray("\x78\x03\x00\x00", 4));
    EXPECT_EQ(r.mid(6, 8), kParallelBytes);
    EXPECT_EQ(r.mid(14, 8), QByteArray("19200bps"));
    EXPECT_EQ(r.mid(22, 2), QByteArray("\x02\x00", 2));
    EXPECT_EQ(r.mid(24, 2), QByteArray("\x32\x00", 2));
    EXPECT_EQ(r.mid(26, 4), QByteArray("\xDC\x05\x00\x00", 4));
    EXPECT_EQ(r.mid(34, 4), QByteArray("\xB8\x0B\x00\x00", 4));
    const auto back = settingsfile::decode(r);
    EXPECT_EQ(back.settings, s);
}

TEST(SettingsFile, MissingFileIsCreatedEmptyAndReadAsDefaults)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zentrix.ini");
    AppState st;
    st.output.comPort = 9;
    settingsfile::load(st, path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFile(path).size(), 0);
    EXPECT_EQ(st.output.comPort, 1);
    EXPECT_EQ(st.output.dtrWait, 100);
}

TEST(SettingsFile, SaveRoundTripsAndKeepsLaterRecords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zentrix.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(38, 'x'));
        f.write("record two");
    }
    OutputSettings s;
    s.comPort = 3;
    s.baudText = QStringLiteral("38400bps");
    ASSERT_TRUE(settingsfile::save(s, path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    EXPECT_EQ(all.left(38), settingsfile::encode(s));
    EXPECT_EQ(all.mid(38), QByteArray("record two"));
    AppState st;
    settingsfile::load(st, path);
    EXPECT_EQ(st.output, s);
}

TEST(SettingsFile, SaveIntoMissingFolderFailsWithReason)
{
    QString error;
    EXPECT_FALSE(settingsfile::save(OutputSettings{}, "/nonexistent-zentrix/zentrix.ini", &error));
    EXPECT_FALSE(error.isEmpty());
}
