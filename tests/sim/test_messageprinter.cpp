// The message printer against the frames of its protocol, written out as
// bytes: what the program sends and what the printer must answer.
#include "simbench.h"

#include "messageprinter.h"

#include "support/printercontext.h"

#include "comm/outputchannel.h"
#include "comm/printerexchange.h"

#include <gtest/gtest.h>

using sim::MessagePrinter;

namespace {

struct CommandRow {
    const char *name;
    const char *sent;   // hex, as the program sends it
    const char *answer; // hex, the printer's whole answer ("" for none)
    QMap<int, QByteArray> heldAfter;
};

const QMap<int, QByteArray> kHeld = {{1, "ONE"}, {5, "FIVE"}, {200, "TWO HUNDRED"}};

} // namespace

TEST(MessagePrinter, AnswersEachCommandWithItsFrame)
{
    const QByteArray japanese = QByteArray::fromHex("82a082a2"); // あい in CP932
    const CommandRow rows[] = {
        {"register 5 AB", "13 42 05 41 42 00", "13 62 05 30 00", {{1, "ONE"}, {5, "AB"}, {200, "TWO HUNDRED"}}},
        {"register 255, CP932 text",
         "13 42 FF 82 A0 82 A2 00",
         "13 62 FF 30 00",
         {{1, "ONE"}, {5, "FIVE"}, {200, "TWO HUNDRED"}, {255, japanese}}},
        {"register with a DC3 in the text",
         "13 42 07 41 13 42 00",
         "13 62 07 30 00",
         {{1, "ONE"}, {5, "FIVE"}, {7, QByteArray("A\023B")}, {200, "TWO HUNDRED"}}},
        {"register an empty text: refused", "13 42 05 00", "13 62 05 31 00", kHeld},
        {"delete 5", "13 41 05 00", "13 61 05 00", {{1, "ONE"}, {200, "TWO HUNDRED"}}},
        {"delete a number not held", "13 41 09 00", "13 61 09 00", kHeld},
        {"clear all", "13 41 00", "13 61 00", {}},
        {"test print 200", "13 43 C8 00", "13 63 C8 00", kHeld},
        {"print all", "13 43 00", "13 63 00", kHeld},
        {"noise before a frame", "FF 41 13 41 05 00", "13 61 05 00", {{1, "ONE"}, {200, "TWO HUNDRED"}}},
        {"unknown letter", "13 45 05 00", "", kHeld},
        {"register without a number", "13 42 00", "", kHeld},
        {"delete with two numbers", "13 41 05 06 00", "", kHeld},
        {"read all with a number", "13 44 05 00", "", kHeld},
        {"lower-case letter from the program", "13 61 05 00", "", kHeld},
        {"acknowledge outside a read", "13 62 05 30 00", "", kHeld},
    };
    for (const CommandRow &row : rows) {
        SCOPED_TRACE(row.name);
        Bench<MessagePrinter> b;
        for (auto it = kHeld.cbegin(); it != kHeld.cend(); ++it)
            b.printer->setMessage(it.key(), it.value());
        const QByteArray answer = QByteArray::fromHex(row.answer);
        b.link.write(QByteArray::fromHex(row.sent));
        const QByteArray got = answer.isEmpty() ? b.within(50) : b.collect(1);
        EXPECT_EQ(got.toHex(' '), answer.toHex(' '));
        EXPECT_EQ(b.within(20), QByteArray()) << "nothing after the answer";
        EXPECT_EQ(b.printer->messages(), row.heldAfter);
    }
}

TEST(MessagePrinter, RegisterTakesTextsUpToTheRecordSize)
{
    Bench<MessagePrinter> b;
    const QByteArray most(MessagePrinter::kMaxTextBytes, 'x');
    EXPECT_EQ(b.exchange(hex("1342 0c") + most + hex("00")), hex("13620c3000"));
    EXPECT_EQ(b.printer->messages().value(12), most);
    EXPECT_EQ(b.exchange(hex("1342 0c") + most + "y" + hex("00")), hex("13620c3100"));
    EXPECT_EQ(b.printer->messages().value(12), most) << "a refused text changes nothing";
}

TEST(MessagePrinter, FramesMayArriveInPieces)
{
    Bench<MessagePrinter> b;
    b.link.write(hex("1342"));
    b.link.write(hex("0541"));
    EXPECT_EQ(b.within(20), QByteArray());
    EXPECT_EQ(b.exchange(hex("4200")), hex("1362053000"));
    // Two frames in one write: two answers in order.
    EXPECT_EQ(b.exchange(hex("134305 00 134105 00"), 2), hex("1363050013610500"));
}

TEST(MessagePrinter, PrintsWhatItHolds)
{
    Bench<MessagePrinter> b;
    b.printer->setMessage(3, "C");
    b.printer->setMessage(1, "A");
    b.exchange(hex("13430300"));
    b.exchange(hex("13430900")); // not held: answered, nothing printed
    b.exchange(hex("134300"));
    const QList<MessagePrinter::Printout> printed = b.printer->printed();
    ASSERT_EQ(printed.size(), 3);
    EXPECT_EQ(printed[0].number, 3);
    EXPECT_EQ(printed[1].number, 1);
    EXPECT_EQ(printed[2].number, 3);
}

TEST(MessagePrinter, PrintingTakesItsTime)
{
    Bench<MessagePrinter> b;
    b.printer->setPrintMs(60);
    b.printer->setMessage(1, "A");
    b.printer->setMessage(2, "B");
    b.link.write(hex("134300"));
    EXPECT_EQ(b.within(90), QByteArray()) << "two messages take 120 ms";
    EXPECT_EQ(b.collect(1), hex("136300"));
}

// ---- read all ---------------------------------------------------------

TEST(MessagePrinter, ReadAllSendsEachMessageAfterTheAcknowledge)
{
    Bench<MessagePrinter> b;
    b.printer->setMessage(200, QByteArray::fromHex("8c7697ca")); // 計量
    b.printer->setMessage(1, "A");
    b.printer->setMessage(3, "xyz");

    EXPECT_EQ(b.exchange(hex("134400")), hex("1364 01 41 00"));
    EXPECT_EQ(b.within(30), QByteArray()) << "waits for the acknowledge";
    EXPECT_EQ(b.exchange(hex("1362 01 30 00")), hex("1364 03 78797a 00"));
    EXPECT_EQ(b.exchange(hex("1362 03 30 00")), hex("1364 c8 8c7697ca 00"));
    EXPECT_EQ(b.exchange(hex("1362 c8 30 00")), hex("136400"));
    EXPECT_EQ(b.within(30), QByteArray());
    EXPECT_FALSE(b.printer->reading());
}

TEST(MessagePrinter, ReadAllOfAnEmptyPrinterIsTheEndFrame)
{
    Bench<MessagePrinter> b;
    EXPECT_EQ(b.exchange(hex("134400")), hex("136400"));
}

TEST(MessagePrinter, ReadAllGivesUpOnAWrongOrMissingAcknowledge)
{
    struct Row {
        const char *name;
        const char *ack;
    };
    const Row rows[] = {
        {"other number", "1362 02 30 00"},
        {"\"1\" instead of \"0\"", "1362 01 31 00"},
        {"no \"0\"", "1362 01 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bench<MessagePrinter> b;
        b.printer->setMessage(1, "A");
        b.printer->setMessage(2, "B");
        ASSERT_EQ(b.exchange(hex("134400")), hex("1364014100"));
        b.link.write(QByteArray::fromHex(row.ack));
        EXPECT_EQ(b.within(50), QByteArray());
        EXPECT_FALSE(b.printer->reading());
        // A fresh read starts over.
        EXPECT_EQ(b.exchange(hex("134400")), hex("1364014100"));
    }

    Bench<MessagePrinter> b;
    b.printer->setAckWaitMs(40);
    b.printer->setMessage(1, "A");
    b.printer->setMessage(2, "B");
    ASSERT_EQ(b.exchange(hex("134400")), hex("1364014100"));
    b.within(80);
    EXPECT_FALSE(b.printer->reading());
    EXPECT_EQ(b.exchange(hex("1362013000"), 1, 80), QByteArray()) << "too late";
}

TEST(MessagePrinter, ClosingThePortEndsARead)
{
    Bench<MessagePrinter> b;
    b.printer->setMessage(1, "A");
    b.printer->setMessage(2, "B");
    ASSERT_EQ(b.exchange(hex("134400")), hex("1364014100"));
    b.link.close();
    EXPECT_FALSE(b.printer->reading());
    ASSERT_EQ(b.link.open(QStringLiteral("sim:"), 9600, Parity::None), OpenResult::Ok);
    EXPECT_EQ(b.exchange(hex("1362013000"), 1, 50), QByteArray());
    EXPECT_EQ(b.printer->messages().size(), 2) << "the printer keeps its messages";
}

// ---- through the program's context --------------------------------------

TEST(PrinterContext, TheChannelTalksToTheEmulatedPrinter)
{
    PrinterContext pc(QStringLiteral("message"));
    auto *printer = pc.printer<MessagePrinter>();
    ASSERT_NE(printer, nullptr);
    OutputChannel &ch = pc.ctx->channel();
    ASSERT_TRUE(ch.openSerialPort());

    pc.ctx->state.toolState = 205;
    ch.rx().setExpectedReply(hex("1362053000"));
    ASSERT_TRUE(ch.sendSerial(hex("134205") + "AB" + hex("00")));
    EXPECT_TRUE(PrinterExchange(ch).waitReplyMatch());
    EXPECT_EQ(printer->messages().value(5), QByteArray("AB"));

    // The printer's DSR off: the channel asks (204) and the cancel ends it.
    printer->setDsr(false);
    EXPECT_FALSE(ch.waitDsrAfterDtr());
    EXPECT_EQ(pc.prompter->codes(), QList<int>{204});
}
