// Status record decoding: both event tables, the ticket number, printed
// data of both unit-setting models, and what malformed records show.
#include "comm/statusrecords.h"

#include <gtest/gtest.h>

using namespace statusrecords;

namespace {

const QString kUnknown = QStringLiteral("未確認動作です。");
const QString kPrefix = QStringLiteral("05日12時30分45秒　");

QByteArray record(char code, const QByteArray &data = {}) { return QByteArray(1, code) + "05123045" + data + '\0'; }

struct Row {
    char code;
    const char16_t *text;
};

} // namespace

TEST(StatusRecords, TicketPrinterTable)
{
    const Row rows[] = {
        {'Z', u"電源　ＯＮ"},
        {'K', u"設定スイッチ操作終了"},
        {'k', u"設定スイッチ操作"},
        {'S', u"発券スイッチＯＮ　発生"},
        {'s', u"発券スイッチＯＦＦ発生"},
        {'X', u"出口センサ部用紙　有"},
        {'x', u"出口センサ部用紙　無"},
        {'E', u"ペーパーエンド発生"},
        {'e', u"ペーパーエンド解除"},
        {'H', u"ヘッドアップ発生"},
        {'h', u"ヘッドアップ解除"},
        {'T', u"サーミスタ断線"},
        {'C', u"カッタエラー"},
        {'F', u"フレーミングエラー"},
        {'O', u"オーバーランエラー"},
        {'P', u"パリティエラー"},
        {'n', u"発券エラー"},
        // Letters of the other table or none at all.
        {'M', u"未確認動作です。"},
        {'A', u"未確認動作です。"},
        {'z', u"未確認動作です。"},
        {'1', u"未確認動作です。"},
        {'\x7f', u"未確認動作です。"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(decode(record(r.code), Printer::Ticket, UnitModel::Vux),
                  QStringList{kPrefix + QString::fromUtf16(r.text)});
    }
}

TEST(StatusRecords, UnitPrinterTable)
{
    EXPECT_EQ(printerFor(800), Printer::Ticket);
    EXPECT_EQ(printerFor(801), Printer::Unit);
    const Row rows[] = {
        {'Z', u"電源　ＯＮ"},
        {'M', u"印字メカニズム故障"},
        {'K', u"設定スイッチ操作終了"},
        {'k', u"設定スイッチ操作"},
        {'E', u"ペーパーエンド発生"},
        {'e', u"ペーパーエンド解除"},
        // Ticket-only events are unknown to these printers.
        {'S', u"未確認動作です。"},
        {'N', u"未確認動作です。"},
        {'H', u"未確認動作です。"},
        {'n', u"未確認動作です。"},
        {'a', u"未確認動作です。"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.code);
        for (UnitModel model : {UnitModel::Vux, UnitModel::Ux})
            EXPECT_EQ(decode(record(r.code), Printer::Unit, model), QStringList{kPrefix + QString::fromUtf16(r.text)});
    }
}

TEST(StatusRecords, TicketIssueStartShowsTheNumber)
{
    const QByteArray n = QByteArray("N05123045") + "0042" + '\0';
    EXPECT_EQ(decode(n, Printer::Ticket, UnitModel::Vux),
              QStringList{QStringLiteral("05日12時30分45秒　0042番発券開始")});
    // Without its NUL, or with bytes after the number, the same line.
    EXPECT_EQ(decode(n.chopped(1), Printer::Ticket, UnitModel::Vux), decode(n, Printer::Ticket, UnitModel::Vux));
    EXPECT_EQ(decode(QByteArray("N0512304500421"), Printer::Ticket, UnitModel::Vux),
              decode(n, Printer::Ticket, UnitModel::Vux));
    // A short number shows what came.
    EXPECT_EQ(decode(QByteArray("N0512304542"), Printer::Ticket, UnitModel::Vux),
              QStringList{kPrefix + QStringLiteral("42番発券開始")});
}

TEST(StatusRecords, ShortAndGarbledRecordsStayOneSafeLine)
{
    EXPECT_EQ(timePrefix("Z0512"), QStringLiteral("05日12時分秒　"));
    EXPECT_EQ(decode(QByteArray(1, '\0'), Printer::Ticket, UnitModel::Vux),
              QStringList{QStringLiteral("日時分秒　") + kUnknown});
    // Control bytes in the time field do not break the line.
    const QStringList garbled = decode(QByteArray("Z0\n1\r3045"), Printer::Ticket, UnitModel::Vux);
    ASSERT_EQ(garbled.size(), 1);
    EXPECT_EQ(garbled.first(), QStringLiteral("0␊日1␍時30分45秒　電源　ＯＮ"));
    // Bytes after the NUL belong to the next record.
    EXPECT_EQ(decode(QByteArray("E05123045\0Z", 11), Printer::Ticket, UnitModel::Vux),
              QStringList{kPrefix + QStringLiteral("ペーパーエンド発生")});
}

TEST(StatusRecords, VuxPrintedDataGivesOneLinePerChannel)
{
    const QByteArray a = record('A', "\r12.5kg\r-0.03\r");
    EXPECT_EQ(decode(a, Printer::Unit, UnitModel::Vux),
              (QStringList{kPrefix + QStringLiteral("データ印字"), QStringLiteral("        CH.1-12.5kg"),
                           QStringLiteral("        CH.2--0.03")}));
    // Values up to channel 10; what follows the last CR is cut off.
    QByteArray many = "\r";
    for (int ch = 1; ch <= 10; ++ch)
        many += QByteArray::number(ch * 100) + '\r';
    const QStringList lines = decode(record('A', many + "junk"), Printer::Unit, UnitModel::Vux);
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines.at(10), QStringLiteral("        CH.10-1000"));
    // A single CR only ends the data.
    EXPECT_EQ(decode(record('A', "TOTAL 99\rX"), Printer::Unit, UnitModel::Vux),
              QStringList{kPrefix + QStringLiteral("データ印字TOTAL 99")});
}

TEST(StatusRecords, UxPrintedDataStaysOnOneLine)
{
    EXPECT_EQ(decode(record('A', "\r12.5kg\r-0.03\r"), Printer::Unit, UnitModel::Ux),
              QStringList{kPrefix + QStringLiteral("DATA 12.5kgDATA -0.03")});
    EXPECT_EQ(decode(record('A', "1.0\r2.0\r3.0\rtail"), Printer::Unit, UnitModel::Ux),
              QStringList{kPrefix + QStringLiteral("1.0DATA 2.0DATA 3.0")});
}

TEST(StatusRecords, PrintedDataWithoutCrIsShownAsItCame)
{
    EXPECT_EQ(decode(record('A', "12.5"), Printer::Unit, UnitModel::Vux),
              QStringList{kPrefix + QStringLiteral("データ印字12.5")});
    EXPECT_EQ(decode(record('A'), Printer::Unit, UnitModel::Ux), QStringList{kPrefix});
    // Japanese on the wire is CP932; other control bytes are made visible.
    const QByteArray units = QByteArray("\x82\x87") + "\t" + "\xb6\xde" + "\n";
    EXPECT_EQ(decode(record('A', units), Printer::Unit, UnitModel::Ux),
              QStringList{kPrefix + QStringLiteral("ｇ␉ｶﾞ␊")});
}
