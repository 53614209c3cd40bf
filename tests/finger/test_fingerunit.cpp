// The fingerprint manager's sequences against the emulated fingerprint
// unit: the list, templates, registration, deletion, writing back, the
// reading period and the version print, and the unit's refusals.
#include "fingertest.h"
#include "support/printercontext.h"
#include "support/replyfaults.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "comm/eventwait.h"
#include "finger/fingerunit.h"
#include "finger/registrantlist.h"
#include "fingerprinter.h"

#include <QDir>
#include <QTimer>

namespace {

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

class FingerUnitTest : public FingerTest {
protected:
    FingerUnitTest()
    {
        pc.ctx->state.programFolder = dir.filePath("program");
        QDir().mkpath(files.folderPath());
        pc.ctx->channel().openSerialPort();
        fingerunit::Times t;
        t.openCloseMs = t.listSilenceMs = t.templateMs = t.deleteMs = t.registerStartMs = t.writeReplyMs = t.versionMs =
            300;
        t.registerReadMs = 1000;
        t.settleMs = 0;
        unit.setTimes(t);
    }
    sim::FingerPrinter &printer() { return *pc.printer<sim::FingerPrinter>(); }
    // The catalogue notices shown (free texts have no code).
    QList<int> codes() const
    {
        QList<int> out = pc.prompter->codes();
        out.removeAll(0);
        return out;
    }
    QStringList texts() const
    {
        QStringList out;
        for (const PromptRequest &r : pc.prompter->requests)
            out << r.text;
        return out;
    }
    bool told(const QString &part) const { return texts().join('|').contains(part); }
    int recordsInDataFile() const { return int(bytesOf(files.dataFilePath()).size() / fingerrecord::kSize); }
    QList<QByteArray> letters()
    {
        QList<QByteArray> out;
        for (const QByteArray &c : printer().commands())
            out << c.left(1);
        return out;
    }

    PrinterContext pc{QStringLiteral("finger")};
    FingerUsers users;
    FingerFiles files{dir.filePath("program"), pc.ctx->messenger()};
    FingerUnit unit{pc.ctx->channel(), pc.ctx->messenger(), users, files};
};

TEST(FingerFrames, EveryCommandAsTheUnitDocumentsIt)
{
    const struct {
        char letter;
        int finger;
        const char *sent;
        const char *accepted;
    } rows[] = {
        {'O', -1, "08024f03", "026f03"},
        {'C', -1, "08024303", "026303"},
        {'L', -1, "08024c03", ""},
        {'U', 0, "080255504142433132333403", ""},
        {'K', 1, "08024b004142433132333403", "026b004142433132333403"},
        {'A', -1, "08024103", "026103"},
        {'S', 0, "080253504142433132333403", "0273504142433132333403"},
        {'W', 1, "080257004142433132333403", "027703"},
        {'V', -1, "08025603", ""},
    };
    for (const auto &r : rows) {
        const QByteArray id = r.finger < 0 ? QByteArray() : QByteArray("ABC1234");
        EXPECT_EQ(fingerunit::frame(r.letter, r.finger, id).toHex(), QByteArray(r.sent)) << r.letter;
        if (*r.accepted)
            EXPECT_EQ(fingerunit::expectedReply(r.letter, r.finger, id).toHex(), QByteArray(r.accepted)) << r.letter;
        ASSERT_NE(fingerunit::command(r.letter), nullptr);
    }
    EXPECT_EQ(fingerunit::command('X'), nullptr);
}

TEST_F(FingerUnitTest, ReadsAHundredRegistrantsAndTheirTemplates)
{
    printer().fill(100);
    ASSERT_TRUE(unit.readRegistrants(false));
    EXPECT_EQ(codes(), QList<int>{msg::RegistrantsRead});
    EXPECT_TRUE(users.registrantsLoaded());
    EXPECT_EQ(users.nextFreeRow(), 101);
    EXPECT_EQ(users[1].userId[0], "A000001");
    EXPECT_EQ(users[100].userId[1], "B000100");

    QList<std::pair<int, int>> items;
    unit.items = [&items](int done, int total) { items << std::make_pair(done, total); };
    ASSERT_TRUE(unit.readTemplates(1, 100, false)) << texts().join('|').toStdString();
    // "n / 200" for every template, then the end.
    ASSERT_EQ(items.size(), 201);
    EXPECT_EQ(items.first(), std::make_pair(1, 200));
    EXPECT_EQ(items.at(199), std::make_pair(200, 200));
    EXPECT_EQ(items.last(), std::make_pair(0, 0));
    for (int row = 1; row <= 100; ++row) {
        for (int f = 0; f < 2; ++f)
            ASSERT_EQ(users[row].fingerTemplate[f], sim::FingerPrinter::templateFor(users[row].userId[f])) << row;
    }
    EXPECT_EQ(codes().last(), msg::TemplatesRead);
}

TEST_F(FingerUnitTest, AnEmptyUnitLoadsNobody)
{
    ASSERT_TRUE(unit.readRegistrants(true));
    EXPECT_FALSE(users.registrantsLoaded());
    EXPECT_EQ(users.nextFreeRow(), 1);
    EXPECT_TRUE(codes().isEmpty());
}

TEST_F(FingerUnitTest, RegistersANewUserWithBothFingers)
{
    printer().fill(3);
    ASSERT_TRUE(unit.readRegistrants(true));
    QList<int> shown;
    unit.countdown = [&](int s) { shown << s; };
    pc.prompter->script({Answer::Ok});
    ASSERT_TRUE(unit.registerUser({"NEW0001", "NEW0002"})) << texts().join('|').toStdString();

    EXPECT_EQ(letters(), (QList<QByteArray>{"L", "O", "S", "S", "L"}));
    EXPECT_EQ(users.nextFreeRow(), 5);
    EXPECT_EQ(users[4].userId[1], "NEW0002");
    EXPECT_EQ(users[4].fingerTemplate[0], sim::FingerPrinter::templateFor("NEW0001"));
    EXPECT_EQ(users[4].fingerTemplate[1], sim::FingerPrinter::templateFor("NEW0002"));
    ASSERT_EQ(recordsInDataFile(), 1);
    const FingerUser saved = fingerrecord::decode(bytesOf(files.dataFilePath()));
    EXPECT_EQ(saved.fingerTemplate[1], sim::FingerPrinter::templateFor("NEW0002"));
    EXPECT_EQ(shown.value(0), 1); // registerReadMs 1000 in seconds
    EXPECT_EQ(shown.last(), -1);
}

TEST_F(FingerUnitTest, RegistrationThatDoesNotCompleteSavesNothing)
{
    const struct {
        const char *label;
        sim::FingerPrinter::Placed placed;
        bool escape;
        const char *text;
    } rows[] = {
        {"finger already registered", sim::FingerPrinter::Placed::KnownFinger, false, "すでに登録されている指紋です。"},
        {"no finger within the wait", sim::FingerPrinter::Placed::Nothing, false, "登録を中止します。"},
        {"Esc while waiting", sim::FingerPrinter::Placed::Nothing, true, "登録を中止します。"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        pc.prompter->clear();
        printer().setPlaced(r.placed);
        if (r.escape)
            QTimer::singleShot(100, [this] { unit.cancel(); });
        pc.prompter->script({Answer::Ok});
        EXPECT_FALSE(unit.registerUser({"NEW0001", "NEW0002"}));
        EXPECT_TRUE(told(QString::fromUtf8(r.text)));
        EXPECT_EQ(recordsInDataFile(), 0);
        EXPECT_FALSE(users[1].hasTemplate(0));
    }
}

TEST_F(FingerUnitTest, DeletesTwoUsersAfterThePassword)
{
    printer().fill(5);
    ASSERT_TRUE(unit.readRegistrants(true));
    for (int row = 1; row <= 5; ++row)
        ASSERT_TRUE(files.writeFinger(users, row, FingerFiles::Target::DataFile));
    int asked = 0;
    const PasswordInput input = [&](const PasswordPrompt &) {
        ++asked;
        return std::optional<QString>(QStringLiteral("abc"));
    };
    pc.prompter->script({Answer::Ok});
    ASSERT_TRUE(unit.deleteUsers(2, 3, DeletePassword(QStringLiteral("abc")), input));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(codes(), QList<int>{msg::FingerDeleted});
    EXPECT_EQ(printer().registrants().size(), 3);
    EXPECT_EQ(users[2].userId[0], "A000004"); // the list re-read
    EXPECT_EQ(recordsInDataFile(), 3);
    EXPECT_EQ(pc.ctx->state.toolState, msg::RegistrantsRead);
}

TEST_F(FingerUnitTest, AWrongPasswordTwiceSendsNothing)
{
    printer().fill(2);
    ASSERT_TRUE(unit.readRegistrants(true));
    pc.prompter->script({Answer::Ok});
    const PasswordInput input = [](const PasswordPrompt &) { return std::optional<QString>(QStringLiteral("x")); };
    EXPECT_FALSE(unit.deleteUsers(1, 1, DeletePassword(QStringLiteral("abc")), input));
    EXPECT_EQ(letters(), QList<QByteArray>{"L"});
    EXPECT_EQ(printer().registrants().size(), 2);
}

TEST_F(FingerUnitTest, DeletesEveryoneWithOneCommand)
{
    printer().fill(4);
    ASSERT_TRUE(unit.readRegistrants(true));
    writeBytes(files.dataFilePath(), QByteArray(4 * fingerrecord::kSize, 'x'));
    pc.prompter->script({Answer::Ok});
    ASSERT_TRUE(unit.deleteUsers(1, 100, DeletePassword(), {}));
    EXPECT_EQ(letters(), (QList<QByteArray>{"L", "A", "L"}));
    EXPECT_EQ(codes(), QList<int>{msg::FingerDeletedAll}) << texts().join('|').toStdString();
    EXPECT_FALSE(users.registrantsLoaded());
    EXPECT_EQ(recordsInDataFile(), 0);
}

TEST_F(FingerUnitTest, ADeleteReplyWrongInAnyByteFails)
{
    const QByteArray good = fingerunit::expectedReply('K', 0, "A000001");
    QList<ReplyFault> faults;
    for (const ReplyFault &f : replyFaults(good)) {
        if (f.label.startsWith("byte") || f.label == "silence" || f.label.startsWith("cut short"))
            faults << f;
    }
    QByteArray lastByte = good;
    lastByte[10] = '\x04';
    faults.append({QStringLiteral("byte 10 differs"), lastByte});
    for (const ReplyFault &f : faults) {
        SCOPED_TRACE(f.label.toStdString());
        printer().fill(2);
        ASSERT_TRUE(unit.readRegistrants(true));
        writeBytes(files.dataFilePath(), QByteArray(2 * fingerrecord::kSize, 'x'));
        pc.prompter->clear();
        pc.prompter->script({Answer::Ok});
        printer().setNextReply(f.reply);
        EXPECT_FALSE(unit.deleteUsers(1, 1, DeletePassword(), {}));
        EXPECT_FALSE(codes().contains(msg::FingerDeleted));
        EXPECT_EQ(recordsInDataFile(), 2);
    }
}

TEST_F(FingerUnitTest, WritesTemplatesBackFromAFile)
{
    FingerUsers source;
    for (int row = 1; row <= 2; ++row) {
        source[row].userId = {"F00000" + QByteArray::number(row), "G00000" + QByteArray::number(row)};
        for (int f = 0; f < 2; ++f)
            source[row].fingerTemplate[f] = sim::FingerPrinter::templateFor(source[row].userId[f]);
        ASSERT_TRUE(files.writeFinger(source, row, FingerFiles::Target::SingleUser));
    }
    ASSERT_TRUE(files.readSingleUserFiles(users, {files.singleUserPath(1), files.singleUserPath(2)}));
    ASSERT_TRUE(unit.writeTemplates(1, 100));
    EXPECT_EQ(codes(), QList<int>{msg::TemplatesRegistered});
    ASSERT_EQ(printer().registrants().size(), 2);
    for (int row = 1; row <= 2; ++row) {
        for (int f = 0; f < 2; ++f)
            EXPECT_EQ(printer().registrants()[row - 1].templ[f], source[row].fingerTemplate[f]);
    }
    EXPECT_EQ(recordsInDataFile(), 2);
}

TEST_F(FingerUnitTest, TheUnitsRefusals)
{
    const struct {
        const char *label;
        std::function<void(sim::FingerPrinter &)> arrange;
        std::function<bool(FingerUnit &)> run;
        const char *text;
        int notice;
    } rows[] = {
        {"02 44 03 to the list", [](sim::FingerPrinter &p) { p.setNextReply(hex("024403")); },
         [](FingerUnit &u) { return u.readRegistrants(false); }, "センサ部に汚れを検出しました。", msg::ReadFailed},
        {"unit error to the list", [](sim::FingerPrinter &p) { p.setUnitError(true); },
         [](FingerUnit &u) { return u.readRegistrants(false); }, "指紋認証部エラー", msg::ReadFailed},
        {"dirty sensor on a template", [](sim::FingerPrinter &p) { p.setDirtySensor(true); },
         [](FingerUnit &u) { return u.readTemplates(1, 1, false); }, "センサ部に汚れを検出しました。", msg::ReadFailed},
        {"unit reset in place of the template", [](sim::FingerPrinter &p) { p.setResetOnTemplate(true); },
         [](FingerUnit &u) { return u.readTemplates(1, 1, false); }, "指紋認証部リセット実施", msg::ReadFailed},
        {"template over 800 bytes",
         [](sim::FingerPrinter &p) { p.setNextReply("\x02" + QByteArray(900, 'T') + "\x03" + "c"); },
         [](FingerUnit &u) { return u.readTemplates(1, 1, false); }, "800バイトを超えた", msg::ReadFailed},
        {"dirty sensor on writing back", [](sim::FingerPrinter &p) { p.setDirtySensor(true); },
         [](FingerUnit &u) { return u.writeTemplates(1, 1); }, "センサ部に汚れを検出しました。",
         msg::RegisterFromFileFailed},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        printer().fill(1);
        printer().setDirtySensor(false);
        printer().setUnitError(false);
        printer().setResetOnTemplate(false);
        users = FingerUsers();
        users[1].userId = {"A000001", "B000001"};
        users[1].fingerTemplate = {sim::FingerPrinter::templateFor("A000001"),
                                   sim::FingerPrinter::templateFor("B000001")};
        const FingerUser before = users[1];
        pc.prompter->clear();
        r.arrange(printer());
        EXPECT_FALSE(r.run(unit));
        EXPECT_TRUE(told(QString::fromUtf8(r.text))) << texts().join('|').toStdString();
        EXPECT_EQ(codes().last(), r.notice);
        EXPECT_EQ(users[1].userId, before.userId);
        EXPECT_EQ(users[1].fingerTemplate, before.fingerTemplate);
    }
}

TEST_F(FingerUnitTest, TheReadingPeriodFindsTheRecognisedFinger)
{
    printer().fill(3);
    ASSERT_TRUE(unit.readRegistrants(true));
    FoundFinger lit;
    unit.highlight = [&](const FoundFinger &f) { lit = f; };
    QTimer::singleShot(100, [this] { printer().placeFinger(1, "B000002"); });
    const auto found = unit.readingPeriod(1);
    ASSERT_TRUE(found && found->found());
    EXPECT_EQ(found->row, 2);
    EXPECT_EQ(found->finger, 1);
    EXPECT_EQ(lit.row, 2);
    EXPECT_EQ(pc.ctx->state.toolState, msg::FingerIsRegistered);
    EXPECT_FALSE(printer().readingOpen());
    EXPECT_EQ(unit.serchFinger(QByteArray("P") + "ZZZ9999").row, 0);
}

TEST_F(FingerUnitTest, PrintsTheVersionOnThePrintEngine)
{
    ASSERT_TRUE(unit.printVersion());
    eventwait::pumpUntil([this] { return printer().jobs().size() >= 2; });
    const QList<sim::PrintJob> jobs = printer().jobs();
    ASSERT_EQ(jobs.size(), 2);
    EXPECT_EQ(jobs[0].bytes, hex("071b49311b4a181b6831") + cp932::encode(QStringLiteral(" --- 指紋認証部： ")) + "v" +
                                 sim::FingerPrinter::version() + " ---\r" + hex("1b4a18"));
    EXPECT_EQ(jobs[1].bytes, hex("07135000"));
}

} // namespace
