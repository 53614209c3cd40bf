// The pure parts of the print tester: the output list, the printer models'
// jobs and the status texts.
#include "tester/linestatus.h"
#include "tester/outputlist.h"
#include "tester/printjob.h"

#include <gtest/gtest.h>

namespace {
QList<int> range(int from, int to)
{
    QList<int> out;
    for (int n = from, step = from <= to ? 1 : -1; n != to + step; n += step)
        out << n;
    return out;
}
} // namespace

TEST(OutputList, ParsesItemsRangesAndStops)
{
    struct Row {
        const char *list;
        QList<int> numbers;
        int code;
    };
    const Row rows[] = {
        {"1,15,8,25-30,19,48,48,25", QList<int>{1, 15, 8} + range(25, 30) + QList<int>{19, 48, 48, 25}, 0},
        {"30-25", range(30, 25), 0},
        {"4-4", {4}, 0},
        {"007,255,", {7, 255}, 0}, // leading zeros; a trailing comma is no item
        {"", {}, 0},
        {"0", {}, 100},
        {"256", {}, 100},
        {",,", {}, 100},
        {"4-", {}, 100},
        {"3,4-", {3}, 100},
        {"1,,2", {1}, 100},
        {"2,250-256,3", {2}, 100}, // none of a bad range is sent
        {"1-2-3", {}, 100},
        {"99999999999999999999", {}, 100},
        {"1;2", {}, 103},
        {"1, 2", {}, 103},
        {"１", {}, 103}, // full-width digit
    };
    for (const Row &row : rows) {
        const outputlist::Parsed p = outputlist::parse(QString::fromUtf8(row.list));
        EXPECT_EQ(p.numbers, row.numbers) << row.list;
        EXPECT_EQ(p.messageCode, row.code) << row.list;
    }
}

TEST(OutputList, AddNumberPutsACommaOnlyAfterANumber)
{
    const char *rows[][3] = {{"3-", "7", "3-7"}, {"3", "7", "3,7"}, {"", "7", "7"}, {"3,", "7", "3,7"}};
    for (const auto &r : rows)
        EXPECT_EQ(outputlist::appendNumber(QLatin1String(r[0]), QLatin1String(r[1])), QLatin1String(r[2])) << r[0];
}

TEST(PrinterModels, ThirteenInTheBoxOrderWithTheirJobs)
{
    QStringList names;
    for (const PrinterModel &m : printermodels::all()) {
        names << m.name;
        EXPECT_EQ(m.noModemLines, m.name == "853H");
    }
    EXPECT_EQ(names, QStringList({"2085J/3807C", "2263/405MB", "405M/733C", "7W4", "744", "853H", "853VH", "K-2200TW",
                                  "270/271/270HB", "350M/35YH", "350QLM", "4YY", "222/420/425"}));
    struct Row {
        const char *content;
        const char *model;
        int lineEnd;
        const char *jobHex;
    };
    const Row rows[] = {
        {"A&41^", "K-2200TW", 0, "4141201b6833"},
        {"A&41^", "744", 0, "414120"},
        {"A", "405M/733C", 0, "411b6831"},
        {"A", "853H", 0, "411b6831"},
        {"A", "", 0, "41"},
        {"A↓\r\n↓\r\nB", "853VH", 2, "410d0a42"},
        // The line-end choice, and the text's own CR LF dropped.
        {"A↓\r\nB\r\nC", "222/420/425", LineEnds::Cr, "410d4243"},
        {"A↓\r\nB", "222/420/425", LineEnds::Lf, "410a42"},
        {"A↓\r\nB", "222/420/425", LineEnds::CrLf, "410d0a42"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(printJob(QString::fromUtf8(row.content), {QString::fromUtf8(row.model), row.lineEnd}).toHex(),
                  QByteArray(row.jobHex))
            << row.content << " / " << row.model;
}

TEST(LineStatus, ParallelLinesModemLinesAndReceivedBytes)
{
    using linestatus::Shade;
    constexpr Shade H = Shade::Highlight, W = Shade::White;
    struct Row {
        quint8 status;
        const char *select, *busy, *paperEnd, *error;
        Shade shades[4];
    };
    const Row rows[] = {
        {0x98, "SELECT H", "BUSY L", "P.E. L", "ERROR H", {H, W, W, H}}, // ready
        {0x20, "SELECT L", "BUSY H", "P.E. H", "ERROR L", {W, H, H, W}},
    };
    for (const Row &r : rows) {
        const linestatus::Parallel p = linestatus::parallel(r.status);
        EXPECT_EQ(p.select, (linestatus::Label{r.select, r.shades[0]})) << int(r.status);
        EXPECT_EQ(p.busy, (linestatus::Label{r.busy, r.shades[1]})) << int(r.status);
        EXPECT_EQ(p.paperEnd, (linestatus::Label{r.paperEnd, r.shades[2]})) << int(r.status);
        EXPECT_EQ(p.error, (linestatus::Label{r.error, r.shades[3]})) << int(r.status);
    }
    EXPECT_EQ(linestatus::cts(true), (linestatus::Label{"CTS ON", H}));
    EXPECT_EQ(linestatus::dsr(false), (linestatus::Label{"DSR OFF", W}));
    EXPECT_EQ(linestatus::receivedText(QByteArray::fromHex("1361ab")), QStringLiteral(" 受信データ : 13,61,AB,"));
}
