// The message tool's printer operations against the fake message printer
// on an in-process line: frames on the wire, questions and notices, the
// file, and the tool state after every ending.
#include "fakemessageprinter.h"
#include "messagetest.h"
#include "support/replyfaults.h"

#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"

namespace {

constexpr int kReplyMs = 250;
QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

class TransferTest : public MessageTest {
protected:
    TransferTest()
    {
        auto &line = static_cast<SimSerialLink &>(ctx->serialLink());
        link = &line;
        auto fake = std::make_unique<FakeMessagePrinter>();
        printer = fake.get();
        line.setPeer(std::move(fake));
        ctx->serial().setPortResolver([](int) { return QStringLiteral("sim:"); });
        ctx->state.output.dtrWait = 1;
        ctx->channel().setTimes({.dsrMs = 100, .replyMs = kReplyMs, .replyLongMs = 2 * kReplyMs});
        EXPECT_TRUE(ctx->channel().openSerialPort());
    }
    QString makeFile(const QString &name, const QMap<int, QString> &texts)
    {
        EXPECT_TRUE(MsdFile::createEmpty(path(name)));
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            MsdFile(path(name)).writeText(it.key(), it.value());
        return path(name);
    }
    static MessageForm form(int number, const QString &content = {}, const QString &file = {})
    {
        return {file, number > 0 ? QString::number(number) : QString(), content, {}};
    }
    // Whatever happened, the tool is back where it was.
    void expectIdle()
    {
        EXPECT_EQ(ctx->state.toolState, ToolStates::Message);
        EXPECT_FALSE(transfer.busy());
        EXPECT_FALSE(ctx->channel().state().transferActive);
        EXPECT_FALSE(ctx->channel().timeoutRunning());
    }

    SimSerialLink *link = nullptr;
    FakeMessagePrinter *printer = nullptr;
    MessageTransfer transfer{*ctx};
};

using Run = bool (*)(MessageTransfer &, MessageForm &);
struct Operation {
    const char *name;
    QByteArray sent, reply;
    QList<int> questions;
    int success, failure;
    Run run;
};
// Message 5, content "AB".
// clang-format off
const Operation kOperations[] = {
    {"register",   hex("134205414200"), hex("1362053000"), {353}, 11, 4,
     [](MessageTransfer &t, MessageForm &f) { return t.registerOne(f); }},
    {"delete",     hex("13410500"), hex("13610500"), {305}, 12, 3,
     [](MessageTransfer &t, MessageForm &f) { return t.deleteOne(f); }},
    {"test print", hex("13430500"), hex("13630500"), {},    16, 1,
     [](MessageTransfer &t, MessageForm &f) { return t.testPrint(f); }},
    {"clear all",  hex("134100"),   hex("136100"),   {303}, 9,  3,
     [](MessageTransfer &t, MessageForm &) { return t.clearAll(); }},
    {"print all",  hex("134300"),   hex("136300"),   {302}, 8,  1,
     [](MessageTransfer &t, MessageForm &) { return t.printAll(); }},
};
// clang-format on

} // namespace

TEST_F(TransferTest, EachOperationSendsItsFrameAndJudgesTheReply)
{
    for (const Operation &op : kOperations) {
        for (const ReplyFault &c : replyFaults(op.reply)) {
            const std::string label = std::string(op.name) + ": " + c.label.toStdString();
            p->clear();
            printer->frames.clear();
            printer->log.clear();
            // Noise before the command: its arm must drop it.
            printer->line().sendToHost("\x13zz");
            printer->scripted = {c.inPieces ? std::nullopt : c.reply};
            printer->onFrame = [&](const QByteArray &) {
                if (c.inPieces) {
                    printer->line().sendToHost(c.reply->left(2), kReplyMs * 2 / 3);
                    printer->line().sendToHost(c.reply->mid(2), kReplyMs * 4 / 3);
                }
                // One operation at a time.
                EXPECT_FALSE(transfer.clearAll());
            };
            for (int i = 0; i < op.questions.size(); ++i)
                p->script({Answer::Yes});
            MessageForm f = form(5, QStringLiteral("AB"));
            EXPECT_EQ(op.run(transfer, f), c.ok) << label;

            QList<int> codes = op.questions;
            if (!c.ok && op.success == 8 && !c.reply.value_or("").endsWith('\0'))
                codes << 354; // print all asks to wait on; the answer is No
            codes << (c.ok ? op.success : op.failure);
            EXPECT_EQ(p->codes(), codes) << label;
            EXPECT_EQ(printer->log, (QStringList{"DTR0", "DTR1", QString::fromLatin1(op.sent.toHex(' '))})) << label;
            expectIdle();
        }
    }
    printer->onFrame = nullptr;
    p->clear();
    p->script({Answer::Yes});
    MessageForm f = form(17, QStringLiteral("X"));
    ASSERT_TRUE(transfer.registerOne(f));
    EXPECT_EQ(p->requests.last().text, QStringLiteral("プリンタにNo.17 を登録しました。"));
}

TEST_F(TransferTest, RegisterChecksInputAndLinesAndSendsPrinterBytes)
{
    const struct {
        const char *number, *content;
        int code, badCodeAt;
    } rows[] = {{"", "AB", 56, -1}, {"256", "AB", 100, -1}, {"5", "", 57, -1}, {"5", "A&20", 104, 1}};
    for (const auto &r : rows) {
        p->clear();
        MessageForm f = form(0, QString::fromUtf8(r.content));
        f.numberText = QString::fromUtf8(r.number);
        int bad = -1;
        EXPECT_FALSE(transfer.registerOne(f, &bad));
        EXPECT_EQ(p->codes(), QList<int>{r.code}) << r.content;
        EXPECT_EQ(bad, r.badCodeAt) << r.content;
    }
    // No CTS, no DSR: asked until cancelled, then nothing more.
    MessageForm f = form(200, QStringLiteral("A↓\r\n↓\r\n↓\r\n"));
    link->setCts(false);
    p->clear();
    EXPECT_FALSE(transfer.registerOne(f));
    EXPECT_EQ(p->codes(), QList<int>{201});
    link->setCts(true);
    link->setDsr(false);
    p->clear();
    EXPECT_FALSE(transfer.registerOne(f));
    EXPECT_EQ(p->codes(), QList<int>{204});
    EXPECT_TRUE(printer->frames.isEmpty());
    expectIdle();

    // Three line ends go out as CR LF LF; number 200 as the byte C8.
    link->setDsr(true);
    p->script({Answer::Yes});
    EXPECT_TRUE(transfer.registerOne(f));
    EXPECT_EQ(printer->frames, QList<QByteArray>{hex("1342c8410d0a0a00")});
}

TEST_F(TransferTest, PrintAllWaitsOnWhenAskedAndTakesAReplyThatCameMeanwhile)
{
    QList<bool> modes;
    transfer.runner().busyChanged = [&](qint16, bool on) { modes << on; };
    printer->scripted = {std::nullopt};
    p->script({Answer::Yes, Answer::Yes});
    p->onAsk = [this](const PromptRequest &r) {
        if (r.code == 354) {
            printer->line().sendToHost(hex("136300"));
            eventwait::waitMs(20); // arrives while the box is up
        }
    };
    EXPECT_TRUE(transfer.printAll());
    EXPECT_EQ(p->codes(), (QList<int>{302, 354, 8}));
    EXPECT_EQ(modes, (QList<bool>{true, false}));
    expectIdle();
}

TEST_F(TransferTest, RegisterAllSendsEveryStoredMessageUntilTheFirstFailure)
{
    const QString file = makeFile("all.msd", {{1, "one"}, {2, "t^wo"}, {5, "&07five"}});
    QStringList shown;
    transfer.showProgress = [&](const MessageForm &f) { shown << f.numberText; };
    p->script({Answer::Yes});
    MessageForm f = form(0, {}, file);
    EXPECT_TRUE(transfer.registerAll(f));
    EXPECT_EQ(p->codes(), (QList<int>{300, 6}));
    EXPECT_EQ(printer->frames, (QList<QByteArray>{hex("134201") + "one" + '\0', hex("134202") + "t wo" + '\0',
                                                  hex("13420507") + "five" + '\0'}));
    EXPECT_EQ(shown, (QStringList{"1", "2", "5"}));

    const struct {
        const char *label;
        std::deque<std::optional<QByteArray>> replies;
        QString record2;
        QList<int> codes;
        int frames;
    } rows[] = {
        {"the second refused", {hex("1362013000"), hex("1362023100")}, "t^wo", {300, 4}, 2},
        // A file from elsewhere: a NUL must not get into a frame.
        {"a stored code out of range", {}, "bad&00", {300, 104}, 1},
    };
    for (const auto &r : rows) {
        MsdFile(file).writeText(2, r.record2);
        p->clear();
        printer->frames.clear();
        printer->scripted = r.replies;
        p->script({Answer::Yes});
        EXPECT_FALSE(transfer.registerAll(f)) << r.label;
        EXPECT_EQ(p->codes(), r.codes) << r.label;
        EXPECT_EQ(printer->frames.size(), r.frames) << r.label;
        expectIdle();
    }
    MessageForm empty = form(0, {}, makeFile("empty.msd", {}));
    p->clear();
    p->script({Answer::Yes});
    EXPECT_FALSE(transfer.registerAll(empty));
    EXPECT_EQ(p->codes(), (QList<int>{300, 306}));
}

// ---- read all -------------------------------------------------------------

TEST_F(TransferTest, ReadAllStoresOnlyTheReceivedNumbersAndReopensTheFile)
{
    const QString file = makeFile("read.msd", {{2, "keep"}, {3, "old"}});
    printer->messages = {{1, "A\x07"
                             "B"},
                         {3, "x y\r\nz"},
                         {255, "\x8A\xBF"}};
    QList<bool> modes;
    transfer.runner().busyChanged = [&](qint16, bool on) { modes << on; };
    p->script({Answer::Yes});
    MessageForm f = form(3, QStringLiteral("typed"), file);
    EXPECT_TRUE(transfer.readAll(f));
    EXPECT_EQ(p->codes(), (QList<int>{301, 10}));
    EXPECT_EQ(modes, (QList<bool>{true, false}));
    // Each acknowledge is armed (DTR off and on) like a command.
    EXPECT_EQ(printer->log, (QStringList{"DTR0", "DTR1", "13 44 00", "DTR0", "DTR1", "13 62 01 30 00", "DTR0", "DTR1",
                                         "13 62 03 30 00", "DTR0", "DTR1", "13 62 ff 30 00"}));
    const MsdFile m(file);
    EXPECT_EQ(m.readText(1), QStringLiteral("A&07B"));
    EXPECT_EQ(m.readText(2), QStringLiteral("keep"));
    EXPECT_EQ(m.readText(3), QStringLiteral("x^y↓\r\nz"));
    EXPECT_EQ(m.readText(255), QStringLiteral("漢"));
    EXPECT_EQ(f.savedNumbers, (QList<int>{1, 2, 3, 255}));
    EXPECT_EQ(f.content, QStringLiteral("x^y↓\r\nz")); // the current number, reopened
    expectIdle();

    // An empty printer: the end frame first, no record changes.
    printer->messages.clear();
    const QByteArray before = bytesOf(file);
    p->clear();
    p->script({Answer::Yes});
    EXPECT_TRUE(transfer.readAll(f));
    EXPECT_EQ(p->codes(), (QList<int>{301, 10}));
    EXPECT_EQ(bytesOf(file), before);
}

TEST_F(TransferTest, ReadsFullAndOverlongMessages)
{
    const QString file = makeFile("full.msd", {});
    for (int n = 1; n <= 255; ++n) {
        QByteArray text(500, 'A');
        for (int i = 0; i < text.size(); ++i)
            text[i] = char('A' + (n + i) % 26);
        printer->messages[n] = text;
    }
    // 600 bytes with DC3, letter, number and NUL.
    printer->messages[4] = QByteArray(596, 'q');
    // Two frames in one piece: the second waits in the receive buffer
    // while the first is acknowledged.
    printer->readFrame = [](int index, const QByteArray &f) {
        return index == 0 ? f + FakeMessagePrinter::frame('d', 2, "two") : index == 1 ? QByteArray() : f;
    };
    p->script({Answer::Yes});
    MessageForm f = form(1, {}, file);
    EXPECT_TRUE(transfer.readAll(f));
    EXPECT_EQ(printer->frames.size(), 256);
    EXPECT_EQ(ctx->channel().rx().records.column(4), hex("136404") + QByteArray(510, 'q'));
    const auto records = MsdFile(file).readRecords();
    ASSERT_TRUE(records);
    EXPECT_EQ(records->at(1).text, "two");
    // The file takes what Save would take, and the user is told.
    EXPECT_EQ(records->at(3).text, QByteArray(508, 'q'));
    for (int n : {1, 3, 5, 255})
        EXPECT_EQ(records->at(n - 1).text, printer->messages[n]) << n;
    EXPECT_EQ(p->codes(), (QList<int>{301, 10, 0}));
    EXPECT_TRUE(p->requests.last().text.contains(QStringLiteral("No.4")));
}

TEST_F(TransferTest, AFailedReadLeavesTheFileAsItWas)
{
    using Hook = std::function<QByteArray(const QByteArray &)>;
    const struct {
        const char *label;
        int at; // index of the frame the hook replaces
        Hook hook;
        QList<int> codes;
    } rows[] = {
        {"silence after a frame", 1, [](auto &) { return QByteArray(); }, {301, 20}},
        {"garbage between frames", 1, [](auto &f) { return "\x55\xAA" + f; }, {301, 20}},
        {"an unknown end frame", 2, [](auto &) { return hex("136500"); }, {301, 20}},
        {"a frame too short", 2, [](auto &) { return hex("1300"); }, {301, 20}},
        {"読み込み中止", 1, [this](auto &f) { return transfer.cancelRead(), f; }, {301, 20}},
        // The port is reopened, which fails and says so (a free text).
        {"line dropped", 1, [this](auto &f) { return printer->line().dropLine(), f; }, {301, 20, 0}},
        // The acknowledge waits for DSR, asks, and is cancelled.
        {"DSR lost", 1, [this](auto &f) { return printer->line().setDsr(false), f; }, {301, 202, 20}},
    };
    const QString file = makeFile("keep.msd", {{1, "old one"}, {9, "nine"}});
    const QByteArray before = bytesOf(file);
    printer->messages = {{1, "new one"}, {2, "two"}};
    for (const auto &r : rows) {
        p->clear();
        printer->readFrame = [&](int index, const QByteArray &f) { return index == r.at ? r.hook(f) : f; };
        p->script({Answer::Yes});
        MessageForm f = form(1, {}, file);
        EXPECT_FALSE(transfer.readAll(f)) << r.label;
        eventwait::waitMs(20); // the port's own recovery
        EXPECT_EQ(p->codes(), r.codes) << r.label;
        EXPECT_EQ(bytesOf(file), before) << r.label;
        expectIdle();
        link->reconnect();
        link->setDsr(true);
        ctx->channel().openSerialPort();
    }
    // A file that cannot be written is told before reading.
    QFile(file).setPermissions(QFileDevice::ReadOwner);
    p->clear();
    printer->frames.clear();
    MessageForm f = form(1, {}, file);
    EXPECT_FALSE(transfer.readAll(f));
    EXPECT_TRUE(p->requests.value(0).text.contains(QStringLiteral("書き込みが禁止")));
    EXPECT_TRUE(printer->frames.isEmpty());
}
