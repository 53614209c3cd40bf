// The link implementations without a printer behind them: the in-process
// line, the port map, the mapped link and the traffic trace.
#include "comm/eventwait.h"
#include "comm/mappedseriallink.h"
#include "comm/portmap.h"
#include "comm/simseriallink.h"
#include "comm/traffictrace.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// Answers every byte with the same byte plus one.
class EchoPeer : public SerialPeer {
public:
    void bytesFromHost(const QByteArray &bytes) override
    {
        QByteArray out = bytes;
        for (char &c : out)
            c = char(c + 1);
        port()->sendToHost(out);
    }
    int opened = 0;
    void hostOpened() override { ++opened; }
};

} // namespace

TEST(SimLink, DeliversInOrderWhateverTheDelays)
{
    SimSerialLink link;
    ASSERT_EQ(link.open("sim:", 9600, Parity::None), OpenResult::Ok);
    link.sendToHost("A", 30);
    link.sendToHost("B", 0); // must not overtake A
    link.sendToHost("C", 5);
    eventwait::pumpUntil([&] { return link.inputCount() == 3; });
    EXPECT_EQ(link.read(10), QByteArray("ABC"));
}

TEST(SimLink, BytesForAClosedPortAreLost)
{
    SimSerialLink link;
    link.sendToHost("A");
    eventwait::waitMs(5);
    ASSERT_EQ(link.open("sim:", 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(link.inputCount(), 0);
    EXPECT_FALSE(link.dsr() && !link.isOpen());
    link.close();
    EXPECT_FALSE(link.dsr());
    EXPECT_FALSE(link.cts());
    EXPECT_FALSE(link.write("x"));
}

TEST(SimLink, DroppedLineReportsOnceAndRefusesToOpen)
{
    SimSerialLink link;
    QSignalSpy spy(&link, &SerialLink::lineError);
    ASSERT_EQ(link.open("sim:", 9600, Parity::None), OpenResult::Ok);
    link.dropLine();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(spy.count(), 0); // never from inside the call
    eventwait::pumpUntil([&] { return spy.count() > 0; });
    eventwait::waitMs(5);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(link.open("sim:", 9600, Parity::None), OpenResult::NotFound);
    link.reconnect();
    EXPECT_EQ(link.open("sim:", 9600, Parity::None), OpenResult::Ok);
}

TEST(PortMap, EnvironmentThenSettingThenDefault)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    EXPECT_EQ(portmap::devicePath(1), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(portmap::devicePath(30), QStringLiteral("/dev/ttyS29"));
    EXPECT_EQ(portmap::sourceOf(30), QStringLiteral("default"));

    portmap::setDevicePath(7, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(QSettings().value("Ports/COM7").toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portmap::devicePath(7), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portmap::sourceOf(7), QStringLiteral("setting"));

    qputenv("ZENTRIX_COM7", "sim:message");
    EXPECT_EQ(portmap::devicePath(7), QStringLiteral("sim:message"));
    EXPECT_EQ(portmap::sourceOf(7), QStringLiteral("env"));
    EXPECT_TRUE(portmap::isSim(portmap::devicePath(7)));
    EXPECT_EQ(portmap::simPersona(portmap::devicePath(7)), QStringLiteral("message"));
    qunsetenv("ZENTRIX_COM7");

    portmap::setDevicePath(7, QString());
    EXPECT_EQ(portmap::devicePath(7), QStringLiteral("/dev/ttyS6"));
    EXPECT_EQ(portmap::comPortsFor(QStringLiteral("/dev/ttyS6")), (QList<int>{7}));
}

TEST(MappedLink, SimPortsUseThePeerFactoryAndKeepThePrinter)
{
    MappedSerialLink link;
    QStringList personas;
    link.setPeerFactory([&](const QString &persona) {
        personas << persona;
        return std::make_unique<EchoPeer>();
    });
    ASSERT_EQ(link.open("sim:message", 9600, Parity::None), OpenResult::Ok);
    EXPECT_TRUE(link.isSimulated());
    QSignalSpy data(&link, &SerialLink::dataReceived);
    ASSERT_TRUE(link.write("AB"));
    eventwait::pumpUntil([&] { return data.count() > 0; });
    EXPECT_EQ(link.read(10), QByteArray("BC"));
    ASSERT_EQ(link.open("sim:message", 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(personas, QStringList{"message"});
    EXPECT_EQ(static_cast<EchoPeer *>(link.simLink()->peer())->opened, 2);
    ASSERT_EQ(link.open("sim:sink", 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(personas, (QStringList{"message", "sink"}));

    // A real device that is not there.
    EXPECT_EQ(link.open("/dev/zentrix-no-such-port", 9600, Parity::None), OpenResult::NotFound);
    EXPECT_FALSE(link.isSimulated());
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.errorText().isEmpty());
}

TEST(Trace, LogsBurstsLinesAndOpenClose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.log");
    {
        SimSerialLink link;
        link.setTrace(std::make_unique<TrafficTrace>(path));
        link.setDtr(true);
        ASSERT_EQ(link.open("sim:", 38400, Parity::Even), OpenResult::Ok);
        link.dsr();
        for (char c : QByteArray("\x13"
                                 "B\x05"
                                 "AB",
                                 5))
            link.write(QByteArray(1, c)); // one burst although written bytewise
        link.write(QByteArray(1, '\0'));
        link.sendToHost(QByteArray("\x13"
                                   "b\x05"
                                   "0\0",
                                   5));
        eventwait::pumpUntil([&] { return link.inputCount() == 5; });
        link.read(5);
        link.setDsr(false);
        link.dsr();
        link.close();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[1].contains("--  OPEN sim: 38400,E,8,1: ok, DTR on, RTS off"));
    EXPECT_TRUE(lines[2].contains("TX  13 42 05 41 42 00"));
    EXPECT_TRUE(lines[2].endsWith("|.B.AB.|"));
    EXPECT_TRUE(lines[3].contains("RX  13 62 05 30 00"));
    EXPECT_TRUE(lines[4].contains("--  DSR off"));
    EXPECT_TRUE(lines[5].contains("--  CLOSE sim:"));
    // Millisecond time stamps.
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ").match(lines[2]).hasMatch());
}

TEST(Trace, OffWithoutTheVariable)
{
    qunsetenv("ZENTRIX_TRACE");
    EXPECT_EQ(TrafficTrace::fromEnvironment(), nullptr);
}
