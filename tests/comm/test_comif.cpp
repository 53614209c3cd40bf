// The output-interface settings window, driven by object name, and the
// rules behind it: the interval boxes, the parallel refusal, the set step
// and zentrix.ini, the port list box and the COM mapping.
#include "base/settingsfile.h"
#include "comm/appcontext.h"
#include "comm/interfacesettings.h"
#include "comm/outputchannel.h"
#include "comm/portmap.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "comm/ui/comif.h"
#include "support/fakeportio.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

using namespace interfacesettings;

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// One record of zentrix.ini, field by field.
QByteArray record(qint16 port, qint32 lpt, const QString &name, const QByteArray &baud, qint16 parity, qint16 byteInt,
                  qint32 numberInt, qint32 dtr, qint32 reply)
{
    QByteArray r(38, '\0');
    qToLittleEndian<qint16>(port, r.data());
    qToLittleEndian<qint32>(lpt, r.data() + 2);
    const QByteArray nameBytes = name == kInterfaceParallel ? QByteArray("\x83\x70\x83\x89\x83\x8C\x83\x8B", 8)
                                                            : QByteArray("\x83\x56\x83\x8A\x83\x41\x83\x8B", 8);
    r.replace(6, 8, nameBytes);
    r.replace(14, 8, baud);
    qToLittleEndian<qint16>(parity, r.data() + 22);
    qToLittleEndian<qint16>(byteInt, r.data() + 24);
    qToLittleEndian<qint32>(numberInt, r.data() + 26);
    qToLittleEndian<qint32>(dtr, r.data() + 30);
    qToLittleEndian<qint32>(reply, r.data() + 34);
    return r;
}

} // namespace

class ComIFTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
        ctx = makeContext(&p, &io, &link);
    }
    void TearDown() override { delete window; }

    std::unique_ptr<AppContext> makeContext(ScriptedPrompter **prompter, FakePortIo **portIo, SimSerialLink **simLink)
    {
        auto pr = std::make_unique<ScriptedPrompter>();
        auto fake = std::make_unique<FakePortIo>();
        auto sim = std::make_unique<SimSerialLink>();
        *prompter = pr.get();
        *portIo = fake.get();
        *simLink = sim.get();
        auto c = std::make_unique<AppContext>(std::move(pr), std::move(fake), std::move(sim));
        c->serial().setPortResolver([](int n) { return QStringLiteral("sim:COM%1").arg(n); });
        c->state.programFolder = dir.path();
        c->state.toolState = ToolStates::Tester;
        return c;
    }

    // A window over the current state, as a tool opens it.
    ComIF *open(bool serialOnly = false)
    {
        window = new ComIF(*ctx, QColor(255, 200, 120));
        window->listDevices = [this] { return devices; };
        window->chooseDevice = [this](QWidget *, int comPort, const serialdevices::MappingChoices &c) {
            mappingAsked = comPort;
            offered = c;
            return chosenDevice;
        };
        if (serialOnly)
            window->serialOnlyMode();
        window->show();
        return window;
    }
    template <typename T = QWidget> T *child(const QString &name)
    {
        T *w = window->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QRadioButton *option(int n) { return child<QRadioButton>(QStringLiteral("Option%1").arg(n)); }
    QLineEdit *text(int n) { return child<QLineEdit>(QStringLiteral("Text%1").arg(n)); }
    QLabel *label(int n) { return child<QLabel>(QStringLiteral("Label%1").arg(n)); }
    QComboBox *combo() { return child<QComboBox>("Combo1"); }
    void showTab(int index) { child<QTabWidget>("SSTab1")->setCurrentIndex(index); }
    void press(int n) { child<QPushButton>(QStringLiteral("Command%1").arg(n))->click(); }
    bool closed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.isNull();
    }
    QString iniPath() const { return dir.filePath("zentrix.ini"); }
    QByteArray iniBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeIni(const QByteArray &bytes) const
    {
        QFile f(iniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QTemporaryDir dir;
    ScriptedPrompter *p = nullptr;
    FakePortIo *io = nullptr;
    SimSerialLink *link = nullptr;
    std::unique_ptr<AppContext> ctx;
    QPointer<ComIF> window;

    QList<serialdevices::Device> devices;
    std::optional<QString> chosenDevice;
    serialdevices::MappingChoices offered;
    int mappingAsked = 0;
};

TEST_F(ComIFTest, ByteIntervalBoxHoldsTo999AndAnEmptyBoxMeansZero)
{
    open();
    showTab(4);
    EXPECT_FALSE(text(1)->isEnabled());
    option(13)->click();
    EXPECT_TRUE(ctx->state.byteIntervalSet);
    EXPECT_EQ(text(1)->text(), QStringLiteral("1")); // 0 becomes 1
    EXPECT_EQ(ctx->state.output.byteInterval, 1);

    text(1)->clear();
    QTest::keyClicks(text(1), QStringLiteral("1500"));
    EXPECT_EQ(text(1)->text(), QStringLiteral("999"));
    EXPECT_EQ(ctx->state.output.byteInterval, 999);

    text(1)->selectAll();
    QTest::keyClick(text(1), Qt::Key_Backspace);
    EXPECT_EQ(text(1)->text(), QString());
    EXPECT_EQ(ctx->state.output.byteInterval, 0);
    EXPECT_TRUE(option(13)->isChecked());
    EXPECT_TRUE(ctx->state.byteIntervalSet);
    showTab(0);
    EXPECT_EQ(label(4)->text(), QStringLiteral("転送間隔　 :　0msec"));

    // Letters never reach the value; the arrows step within 1..999.
    QTest::keyClicks(text(1), QStringLiteral("4x"));
    EXPECT_EQ(text(1)->text(), QStringLiteral("4"));
    QToolButton *up = child<QWidget>("UpDown1")->findChild<QToolButton *>("Up");
    QToolButton *down = child<QWidget>("UpDown1")->findChild<QToolButton *>("Down");
    up->click();
    EXPECT_EQ(ctx->state.output.byteInterval, 5);
    text(1)->setText(QStringLiteral("999"));
    up->click();
    EXPECT_EQ(text(1)->text(), QStringLiteral("999"));
    text(1)->setText(QStringLiteral("1"));
    down->click();
    EXPECT_EQ(text(1)->text(), QStringLiteral("1"));

    // "指定無し" empties, disables and clears the interval; back on it starts at 1.
    showTab(4);
    option(12)->click();
    EXPECT_FALSE(ctx->state.byteIntervalSet);
    EXPECT_EQ(ctx->state.output.byteInterval, 0);
    EXPECT_FALSE(text(1)->isEnabled());
    EXPECT_FALSE(child<QWidget>("UpDown1")->isEnabled());
    showTab(0);
    EXPECT_EQ(label(4)->text(), QStringLiteral("転送間隔　 :　指定無し"));
    showTab(4);
    option(13)->click();
    EXPECT_EQ(text(1)->text(), QStringLiteral("1"));
    EXPECT_EQ(ctx->state.output.byteInterval, 1);
}

TEST_F(ComIFTest, NumberIntervalBoxHoldsTo9999)
{
    open();
    showTab(5);
    option(15)->click();
    text(2)->clear();
    QTest::keyClicks(text(2), QStringLiteral("12000"));
    EXPECT_EQ(text(2)->text(), QStringLiteral("9999"));
    EXPECT_EQ(ctx->state.output.numberInterval, 9999);
    // A pasted run of digits beyond int32 still ends at the limit.
    text(2)->setText(QStringLiteral("99999999999"));
    EXPECT_EQ(ctx->state.output.numberInterval, 9999);
    showTab(0);
    EXPECT_EQ(label(5)->text(), QStringLiteral("No.間間隔　:　9999msec"));
}

TEST_F(ComIFTest, ParallelIsRefusedWithoutThePortLibrary)
{
    writeIni(settingsfile::encode(ctx->state.output));
    const QByteArray before = iniBytes();
    ctx->state.parallelAvailable = false;
    open();
    option(1)->click();
    EXPECT_TRUE(option(2)->isChecked());
    EXPECT_FALSE(option(1)->isChecked());
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceSerial);
    ASSERT_EQ(p->requests.size(), 1);
    EXPECT_EQ(p->requests[0].text, QStringLiteral("当PCではパラレルI/Fの設定はできません。"));
    EXPECT_EQ(p->requests[0].style, Icon::Exclamation);
    EXPECT_EQ(p->requests[0].title, QStringLiteral("Zentrix"));
    EXPECT_EQ(combo()->currentText(), QStringLiteral("COM1"));

    // Settings that say parallel are refused at set, and nothing is saved.
    ctx->state.output.interfaceName = kInterfaceParallel;
    EXPECT_EQ(apply(*ctx, {QStringLiteral("0378"), {}, {}}), ApplyResult::ParallelRefused);
    EXPECT_EQ(p->requests.last().text, kNoParallelSetting);
    EXPECT_EQ(iniBytes(), before);
    EXPECT_TRUE(io->writes.isEmpty());
}

TEST_F(ComIFTest, ParallelWithThePortLibraryPreparesThePortAndSaves)
{
    ctx->state.parallelAvailable = true;
    io->registers[0x37A] = 0xC0;
    open();
    showTab(1);
    option(1)->click();
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceParallel);
    EXPECT_EQ(combo()->count(), 3);
    EXPECT_EQ(combo()->itemText(2), QStringLiteral("03BC"));
    EXPECT_FALSE(child<QPushButton>("Command4")->isVisibleTo(window));
    combo()->setCurrentIndex(1);
    press(1);
    EXPECT_TRUE(closed());
    EXPECT_EQ(ctx->state.output.lptBase, 0x378);
    ASSERT_EQ(io->writes.size(), 1); // INIT released, the rest as it was
    EXPECT_EQ(io->writes[0], qMakePair(quint16(0x37A), quint8(0xC4)));
    EXPECT_EQ(settingsfile::decode(iniBytes()).settings.interfaceName, kInterfaceParallel);
    EXPECT_EQ(settingsfile::decode(iniBytes()).settings.lptBase, 0x378);
}

TEST_F(ComIFTest, AnAddressThatIsNotHexadecimalIsRefused)
{
    ctx->state.parallelAvailable = true;
    ctx->state.output.interfaceName = kInterfaceParallel;
    EXPECT_EQ(apply(*ctx, {QStringLiteral("03G8"), {}, {}}), ApplyResult::BadPort);
    EXPECT_EQ(apply(*ctx, {QString(), {}, {}}), ApplyResult::BadPort);
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_EQ(apply(*ctx, {QStringLiteral("d010"), {}, {}}), ApplyResult::Saved);
    EXPECT_EQ(ctx->state.output.lptBase, 0xD010);
}

TEST_F(ComIFTest, Com12IsSavedAndTheNextStartSkipsTheDsrChecks)
{
    open(true);
    showTab(1);
    combo()->setCurrentIndex(combo()->findText("COM12"));
    text(3)->setText(QStringLiteral("1"));
    press(1);
    EXPECT_TRUE(closed());
    EXPECT_EQ(qFromLittleEndian<qint16>(iniBytes().constData()), 12);
    EXPECT_EQ(ctx->serial().commPort(), 12);
    EXPECT_TRUE(ctx->serial().isOpen());

    // A new start: load the file, open the port, and no DSR on the line.
    const auto restart = [this] {
        ScriptedPrompter *p2;
        FakePortIo *io2;
        SimSerialLink *link2;
        auto fresh = makeContext(&p2, &io2, &link2);
        link2->setDsr(false);
        settingsfile::load(fresh->state, iniPath());
        fresh->channel().openSerialPort();
        const bool ready = fresh->channel().waitDsrAfterDtr();
        return std::tuple{fresh->state.output.comPort, fresh->state.noModemLines, ready, p2->codes()};
    };
    const auto [port, noModemLines, ready, codes] = restart();
    EXPECT_EQ(port, 12);
    EXPECT_TRUE(noModemLines);
    EXPECT_TRUE(ready);
    EXPECT_TRUE(codes.isEmpty());

    // COM3 keeps the check: the printer prompt comes, cancel ends the wait.
    ctx->state.output.comPort = 3;
    ASSERT_TRUE(settingsfile::save(ctx->state.output, iniPath()));
    const auto [port3, noModem3, ready3, codes3] = restart();
    EXPECT_EQ(port3, 3);
    EXPECT_FALSE(noModem3);
    EXPECT_FALSE(ready3);
    EXPECT_EQ(codes3, (QList<int>{204}));
}

TEST_F(ComIFTest, CancelKeepsTheChangeInMemoryButNotInTheFile)
{
    writeIni(settingsfile::encode(ctx->state.output));
    const QByteArray before = iniBytes();
    open();
    showTab(3);
    EXPECT_TRUE(option(9)->isChecked());
    option(10)->click();
    option(5)->click();
    press(2);
    EXPECT_TRUE(closed());
    EXPECT_EQ(ctx->state.output.baudText, QStringLiteral("19200bps"));
    EXPECT_EQ(ctx->state.output.parity, 2);
    EXPECT_EQ(iniBytes(), before);
    EXPECT_FALSE(ctx->serial().isOpen());
}

TEST_F(ComIFTest, EverySettingRoundTripsThroughTheFileByteForByte)
{
    const QByteArray tail("kept", 4); // bytes after record 1 stay
    const QList<QByteArray> records{
        record(30, 0x378, kInterfaceSerial, "38400bps", 2, 250, 600000, 2500, 12000) + tail,
        record(1, 0, kInterfaceSerial, "1200bps ", 0, 0, 0, 100, 0),
        record(9, -1, kInterfaceSerial, "4800bps ", 1, 1500, 1, 7, 3),
        record(10, 0x3BC, kInterfaceParallel, "19200bps", 1, 999, 9999, 300, 5000),
        record(2, 0xD010, kInterfaceParallel, "2400bps ", 0, 32767, 0, 1, 0),
        record(5, 0x278, kInterfaceSerial, "9600bps ", 7, 1, 0, 999999, 42),
    };
    for (qint16 tool : {ToolStates::Tester, ToolStates::Unit}) {
        for (const QByteArray &bytes : records) {
            SCOPED_TRACE(bytes.toHex().toStdString());
            writeIni(bytes);
            settingsfile::load(ctx->state, iniPath());
            ctx->state.parallelAvailable = true;
            ctx->state.toolState = tool;
            open();
            press(1);
            EXPECT_TRUE(closed());
            EXPECT_EQ(iniBytes().toHex(), bytes.toHex());
        }
    }
}

TEST_F(ComIFTest, LoadShowsTheHeldValuesAndTheUnitToolVariant)
{
    OutputSettings &out = ctx->state.output;
    out.comPort = 4;
    out.baudText = QStringLiteral("2400bps ");
    out.parity = 1;
    out.byteInterval = 1500; // as read from a file: shown as held, not cut
    ctx->state.byteIntervalSet = true;
    out.dtrWait = 5;
    out.replyWait = 7;
    open();
    EXPECT_EQ(child<QTabWidget>("SSTab1")->currentIndex(), 0);
    EXPECT_TRUE(option(2)->isChecked());
    EXPECT_TRUE(option(4)->isChecked());
    EXPECT_TRUE(option(7)->isChecked());
    EXPECT_TRUE(option(13)->isChecked());
    EXPECT_EQ(text(1)->text(), QStringLiteral("1500"));
    EXPECT_EQ(out.byteInterval, 1500);
    EXPECT_TRUE(option(14)->isChecked());
    EXPECT_EQ(text(2)->text(), QString());
    EXPECT_EQ(text(3)->text(), QStringLiteral("005"));
    EXPECT_EQ(text(4)->text(), QStringLiteral("0007"));
    EXPECT_TRUE(text(4)->isHidden());
    EXPECT_EQ(label(1)->text(), QStringLiteral("出力I/F　　:　シリアル"));
    EXPECT_EQ(label(6)->text(), QStringLiteral("(COM4)"));
    EXPECT_EQ(label(2)->text(), QStringLiteral("プロトコル　:　8bit　偶数パリティ　1stop"));
    EXPECT_EQ(label(3)->text(), QStringLiteral("転送速度　:　2400bps "));
    EXPECT_EQ(label(4)->text(), QStringLiteral("転送間隔　 :　1500msec"));
    EXPECT_EQ(label(5)->text(), QStringLiteral("No.間間隔　:　指定無し"));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(255, 200, 120));
    window->close();

    ctx->state.toolState = ToolStates::Unit;
    open(true);
    EXPECT_FALSE(text(4)->isHidden());
    EXPECT_FALSE(child<QLabel>("Label9")->isHidden());
    EXPECT_EQ(label(4)->text(), QStringLiteral("DTR待ち時間　 :　5msec"));
    EXPECT_EQ(label(5)->text(), QStringLiteral("返答待ち時間　:　7msec"));
}

TEST_F(ComIFTest, SerialOnlyModeHidesParallelAndTheIntervals)
{
    ctx->state.toolState = ToolStates::Message;
    ctx->state.parallelAvailable = true;
    ctx->state.output.interfaceName = kInterfaceParallel;
    open(true);
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceSerial);
    EXPECT_TRUE(option(2)->isChecked());
    EXPECT_TRUE(option(1)->isHidden());
    auto *tabs = child<QTabWidget>("SSTab1");
    EXPECT_EQ(tabs->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs->isTabVisible(i), i < 4) << i;
    EXPECT_TRUE(label(4)->isHidden());
    EXPECT_TRUE(label(5)->isHidden());
    EXPECT_EQ(combo()->itemText(29), QStringLiteral("COM30"));
    EXPECT_EQ(combo()->count(), 30);
    EXPECT_FALSE(combo()->isEditable());
}

TEST_F(ComIFTest, AFailedWriteIsToldAndTheWindowStays)
{
    ctx->state.programFolder = dir.filePath("missing/folder");
    open(true);
    showTab(3);
    option(11)->click();
    press(1);
    EXPECT_FALSE(closed());
    ASSERT_FALSE(p->requests.isEmpty());
    EXPECT_EQ(p->requests.last().style.icon, Icon::Critical);
    EXPECT_TRUE(p->requests.last().text.startsWith(QStringLiteral("設定ファイルに書き込めませんでした。")));
    EXPECT_EQ(ctx->state.output.baudText, QStringLiteral("38400bps")); // in effect until the end
    EXPECT_EQ(apply(*ctx, {QStringLiteral("COM2"), "100", "0"}), ApplyResult::SaveFailed);
    window->close();
}

TEST_F(ComIFTest, PortListBoxNamesEachDeviceAndItsComNumbers)
{
    // A USB adapter with a by-id link, mapped as COM3 through that link.
    QDir(dir.path()).mkpath("dev/serial/by-id");
    const QString tty = dir.filePath("dev/ttyUSB0");
    const QString byId = dir.filePath("dev/serial/by-id/usb-FTDI_FT232R_A5XK-if00-port0");
    {
        QFile device(tty);
        ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(tty, byId));
    EXPECT_EQ(serialdevices::byIdName(tty, dir.filePath("dev/serial/by-id")), byId);
    portmap::setDevicePath(3, byId);
    portmap::setDevicePath(5, QStringLiteral("sim:message"));

    devices = {{QStringLiteral("ttyUSB0"), tty, QStringLiteral("FT232R USB UART"), byId},
               {QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), QString(), QString()}};
    open(true);
    press(3);
    ASSERT_EQ(p->requests.size(), 1);
    const PromptRequest box = p->requests[0];
    EXPECT_EQ(box.style, Icon::Information);
    EXPECT_EQ(box.title, QStringLiteral("Zentrix"));
    EXPECT_EQ(box.text, QStringLiteral("ttyUSB0\tFT232R USB UART\r\n"
                                       "　　%1\r\n"
                                       "　　→ COM3(設定)\r\n"
                                       "ttyS0\t(説明なし)\r\n"
                                       "　　→ COM1(既定)\r\n"
                                       "その他の割当:\r\n"
                                       "　　COM5 → sim:message (エミュレータ, 設定)")
                            .arg(byId));

    portmap::setDevicePath(3, QString());
    portmap::setDevicePath(5, QString());
    devices.clear();
    press(3);
    EXPECT_EQ(p->requests.last().text, QStringLiteral("シリアルポートが見つかりません。"));
}

TEST_F(ComIFTest, TheMappingButtonStoresTheDeviceForTheChosenCom)
{
    devices = {{QStringLiteral("ttyUSB1"), QStringLiteral("/dev/ttyUSB1"), QStringLiteral("CP2102"), QString()}};
    open(true);
    showTab(1);
    combo()->setCurrentIndex(combo()->findText("COM12"));

    chosenDevice = QStringLiteral("/dev/ttyUSB1");
    press(4);
    EXPECT_EQ(mappingAsked, 12);
    EXPECT_EQ(offered.items, (QStringList{"既定 (/dev/ttyS11)", "/dev/ttyUSB1", "sim:"}));
    EXPECT_EQ(offered.current, 0);
    EXPECT_EQ(portmap::devicePath(12), QStringLiteral("/dev/ttyUSB1"));

    // Typed paths are taken; a text that is no device is refused.
    chosenDevice = QStringLiteral("/dev/serial/by-id/usb-x");
    press(4);
    EXPECT_EQ(offered.current, 1); // the mapping in force is preselected
    EXPECT_EQ(portmap::devicePath(12), QStringLiteral("/dev/serial/by-id/usb-x"));
    EXPECT_EQ(offered.items.last(), QStringLiteral("sim:"));
    chosenDevice = QStringLiteral("ttyUSB1");
    press(4);
    EXPECT_EQ(portmap::devicePath(12), QStringLiteral("/dev/serial/by-id/usb-x"));
    EXPECT_EQ(p->requests.size(), 1);

    // The first choice goes back to the default; cancel changes nothing.
    chosenDevice = offered.items[0];
    press(4);
    EXPECT_EQ(portmap::sourceOf(12), QStringLiteral("default"));
    chosenDevice.reset();
    press(4);
    EXPECT_EQ(portmap::sourceOf(12), QStringLiteral("default"));

    qputenv("ZENTRIX_COM12", "sim:");
    chosenDevice = QStringLiteral("/dev/ttyUSB1");
    press(4);
    qunsetenv("ZENTRIX_COM12");
    EXPECT_TRUE(p->requests.last().text.contains(QStringLiteral("ZENTRIX_COM12")));
    portmap::setDevicePath(12, QString());
}

TEST_F(ComIFTest, AToolOpensOneWindowInItsButtonColour)
{
    QWidget tool;
    auto *settings = new QPushButton(QStringLiteral("出力I/F詳細"), &tool);
    QPalette pal = settings->palette();
    pal.setColor(QPalette::Button, QColor(0, 128, 255));
    settings->setPalette(pal);
    new QPushButton(QStringLiteral("全登録"), &tool);
    EXPECT_EQ(ComIF::callerColour(&tool), QColor(0, 128, 255));

    ctx->state.output.interfaceName = kInterfaceParallel;
    QPointer<ComIF> slot;
    ComIF *first = ComIF::openFor(*ctx, &tool, true, slot);
    EXPECT_EQ(ComIF::openFor(*ctx, &tool, true, slot), first); // raised, not doubled
    EXPECT_EQ(first->palette().color(QPalette::Window), QColor(0, 128, 255));
    EXPECT_EQ(first->parentWidget(), &tool);
    EXPECT_EQ(ctx->state.output.interfaceName, kInterfaceSerial);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(slot.isNull());
    EXPECT_NE(ComIF::openFor(*ctx, &tool, false, slot), nullptr);
    EXPECT_FALSE(slot->findChild<QRadioButton *>("Option1")->isHidden());
}

TEST(InterfaceSettings, AddressesAndNumbersReadAsTheBoxesShowThem)
{
    EXPECT_EQ(lptText(0x278), QStringLiteral("0278"));
    EXPECT_EQ(lptText(0x3BC), QStringLiteral("03BC"));
    EXPECT_EQ(lptText(0xD010), QStringLiteral("D010"));
    EXPECT_EQ(lptText(-1), QStringLiteral("FFFFFFFF"));
    for (qint32 base : {0x278, 0x3BC, 0xD010, -1, 0x12345})
        EXPECT_EQ(parseLptText(lptText(base)), base);
    EXPECT_EQ(parseLptText("123456789"), std::nullopt);
    EXPECT_EQ(parseLptText("0"), std::nullopt);
    // An address never set offers LPT1 rather than port 0.
    OutputSettings fresh;
    fresh.interfaceName = kInterfaceParallel;
    EXPECT_EQ(portList(fresh).current, QStringLiteral("0378"));
    fresh.lptBase = 0xD010;
    EXPECT_EQ(portList(fresh).current, QStringLiteral("D010"));
    EXPECT_EQ(portList(fresh).items, (QStringList{"0278", "0378", "03BC"}));

    EXPECT_EQ(numericValue(""), 0);
    EXPECT_EQ(numericValue("12ab"), 12);
    EXPECT_EQ(numericValue("-005"), -5);
    EXPECT_EQ(numericValue("99999999999"), 2147483647);
    EXPECT_EQ(zeroPadded(-5, 3), QStringLiteral("-005"));
    EXPECT_EQ(zeroPadded(12345, 4), QStringLiteral("12345"));

    AppState st;
    st.output.interfaceName = kInterfaceParallel;
    st.output.lptBase = 0x3BC;
    const Summary s = summary(st);
    EXPECT_EQ(s.label1, QStringLiteral("出力I/F　　:　パラレル"));
    EXPECT_EQ(s.label6, QStringLiteral("(03BC)"));
    EXPECT_EQ(s.label2, QStringLiteral("プロトコル　:　"));
    EXPECT_EQ(s.label3, QStringLiteral("転送速度　:　"));
}

// Pictures of every tab for review: runs only when ZENTRIX_SCREENSHOT_DIR
// names a folder (e.g. under xvfb-run with QT_QPA_PLATFORM=xcb).
TEST_F(ComIFTest, PicturesOfEveryTab)
{
    const QString folder = qEnvironmentVariable("ZENTRIX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "ZENTRIX_SCREENSHOT_DIR not set";
    ctx->state.parallelAvailable = true;
    ctx->state.byteIntervalSet = true;
    ctx->state.output.byteInterval = 20;
    ctx->state.numberIntervalSet = true;
    ctx->state.output.numberInterval = 1500;
    for (qint16 tool : {ToolStates::Tester, ToolStates::Unit}) {
        ctx->state.toolState = tool;
        open();
        for (int tab = 0; tab < 6; ++tab) {
            showTab(tab);
            QTest::qWait(50);
            const QString name = QStringLiteral("comif-%1-tab%2.png").arg(tool).arg(tab);
            EXPECT_TRUE(window->grab().save(QDir(folder).filePath(name)));
        }
        showTab(1);
        option(1)->click();
        QTest::qWait(50);
        EXPECT_TRUE(window->grab().save(QDir(folder).filePath(QStringLiteral("comif-%1-parallel.png").arg(tool))));
        option(2)->click();
        window->close();
    }
}
