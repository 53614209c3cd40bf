// Setting sets in the .msd container: the record layouts byte for byte,
// open, save and delete with a scripted prompter, short and damaged files,
// and the print-out text.
#include "unit/unitfileoperations.h"
#include "unit/unitsetfile.h"

#include "base/cp932.h"
#include "message/messagetest.h"

#include <functional>
#include <tuple>

using namespace unit;

namespace {

QByteArray sj(const QString &s) { return cp932::encode(s); }

// Settings that differ from the defaults in every item.
UnitSettings sample()
{
    UnitSettings s;
    for (int c = 1; c <= kVuxChannels; ++c) {
        VuxChannel &ch = s.vux.channel(c);
        ch.name = QStringLiteral("CH^%1").arg(c);
        ch.decimalPoint = vuxPatterns()[c % 6];
        ch.unit = c == 2 ? QStringLiteral("重量") : QStringLiteral("kg");
        ch.rate = QString::number(c * 11);
    }
    s.vux.channel(8).name.clear();
    s.vux.compare = {QStringLiteral("123"), QStringLiteral("999999")};
    s.ux.decimalPoint1 = QStringLiteral(".1234567890");
    s.ux.decimalPoint2 = QStringLiteral(" 1234567890");
    s.ux.unit = QStringLiteral("ｔ");
    s.ux.indicator = QStringLiteral("標準RS-232C");
    return s;
}

} // namespace

class UnitFileTest : public MessageTest {
protected:
    UnitFileTest() : ops(*ctx) { ctx->state.toolState = UnitStates::Idle; }

    QString makeFile(const QString &name, const QMap<int, QByteArray> &texts = {}, int records = 255)
    {
        const QString file = path(name);
        QByteArray all = emptyFile(records);
        for (auto it = texts.begin(); it != texts.end(); ++it)
            all.replace((it.key() - 1) * 512, 512, record(it.value()));
        writeBytes(file, all);
        return file;
    }
    static QByteArray recordOf(const QByteArray &file, int n) { return file.mid((n - 1) * 512, 512); }

    UnitFileOperations ops;
};

TEST_F(UnitFileTest, SetLayoutsByteForByte)
{
    const QMap<int, QByteArray> vux = encodeSet(Model::Vux, 2, sample());
    EXPECT_EQ(vux.keys(), (QList<int>{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(vux[11], QByteArray("CH^1"));
    EXPECT_EQ(vux[18], QByteArray("       ")); // empty name
    QByteArray settings;
    for (const char *p : {"12345.6", "1234.56", "123.456", "12.3456", "1.23456", " 123456", "12345.6", "1234.56"})
        settings += QByteArray(p) + '\0';
    settings += QByteArray("kg   ") + '\0' + sj(QStringLiteral("重量")) + ' ' + '\0';
    for (int c = 3; c <= 8; ++c)
        settings += QByteArray("kg   ") + '\0';
    for (const char *p : {"11", "22", "33", "44", "55", "66", "77", "88", "000123", "999999"})
        settings += QByteArray(p) + '\0';
    EXPECT_EQ(vux[19], settings);

    const QMap<int, QByteArray> ux = encodeSet(Model::Ux, 25, sample());
    EXPECT_EQ(ux.keys(), QList<int>{250});
    EXPECT_EQ(ux[250], QByteArray(".1234567890") + '\0' + " 1234567890" + '\0' + sj(QStringLiteral("ｔ")) + "   " +
                           '\0' + sj(QStringLiteral("標準RS-232C")) + '\0');
    EXPECT_EQ(encodeUxSettings(UxSettings{}),
              QByteArray("123456789.0") + '\0' + "12345678.90" + '\0' + "     " + '\0' + '\0');
}

TEST_F(UnitFileTest, SaveAndOpenEachModelsPartOfASet)
{
    const QString file = makeFile("u.msd", {{10, "unrelated"}, {31, "keep"}});
    UnitForm form{file, sample()};
    ASSERT_TRUE(ops.save(form, Model::Vux, 3));
    ASSERT_TRUE(ops.save(form, Model::Ux, 3)); // its part was free although the VUX part was not
    EXPECT_EQ(p->codes(), (QList<int>{634, 634}));
    const QByteArray all = bytesOf(file);
    EXPECT_EQ(all.size(), 255 * 512);
    EXPECT_EQ(recordOf(all, 21), record("CH^1"));
    EXPECT_EQ(recordOf(all, 29), record(encodeVuxSettings(sample().vux)));
    EXPECT_EQ(recordOf(all, 30), record(encodeUxSettings(sample().ux)));
    EXPECT_EQ(recordOf(all, 10), record("unrelated"));
    EXPECT_EQ(recordOf(all, 31), record("keep"));

    UnitForm back{file, {}};
    ASSERT_TRUE(ops.open(back, Model::Vux, 3));
    EXPECT_EQ(back.settings.vux, sample().vux);
    EXPECT_EQ(back.settings.ux, UxSettings{}); // the other area is left alone
    ASSERT_TRUE(ops.open(back, Model::Ux, 3));
    EXPECT_EQ(back.settings, sample());

    // In use now: 635 asks, No leaves the file as it was.
    p->clear();
    form.settings.vux.channel(1).rate = QStringLiteral("2");
    p->script({Answer::No, Answer::Yes});
    EXPECT_FALSE(ops.save(form, Model::Vux, 3));
    EXPECT_EQ(bytesOf(file), all);
    EXPECT_EQ(p->requests[0].text, QStringLiteral("保存番号3は既に使用されています。\r\n変更してよろしいですか?"));
    EXPECT_TRUE(ops.save(form, Model::Vux, 3));
    EXPECT_EQ(p->codes(), (QList<int>{635, 635, 634}));
    ASSERT_TRUE(ops.open(back, Model::Vux, 3));
    EXPECT_EQ(back.settings.vux.channel(1).rate, QStringLiteral("2"));
}

TEST_F(UnitFileTest, AFaultStopsTheSaveBeforeAnyFileAndNamesItsBox)
{
    UnitForm form{path("never.msd"), sample()};
    form.settings.vux.channel(4).rate = QStringLiteral("100");
    form.settings.vux.channel(2).unit = QStringLiteral("重量値"); // cut before the fault
    Fault fault;
    EXPECT_FALSE(ops.save(form, Model::Vux, 1, &fault));
    EXPECT_EQ(p->codes(), QList<int>{822});
    EXPECT_EQ(fault.field, Field::Rate);
    EXPECT_EQ(fault.channel, 4);
    EXPECT_EQ(form.settings.vux.channel(2).unit, QStringLiteral("重量"));

    for (const auto &[model, set, code] : {std::tuple{Model::Vux, 26, 630}, std::tuple{Model::None, 1, 825}}) {
        p->clear();
        EXPECT_FALSE(ops.open(form, model, set));
        EXPECT_FALSE(ops.save(form, model, set));
        EXPECT_FALSE(ops.remove(form, model, set));
        EXPECT_EQ(p->codes(), (QList<int>{code, code, code}));
    }
    EXPECT_FALSE(QFile::exists(path("never.msd")));
}

TEST_F(UnitFileTest, DeleteEmptiesOnlyTheModelsRecords)
{
    const QString file = makeFile("u.msd");
    UnitForm form{file, sample()};
    ASSERT_TRUE(ops.save(form, Model::Vux, 25));
    ASSERT_TRUE(ops.save(form, Model::Ux, 25));
    const QByteArray before = bytesOf(file);
    p->clear();
    p->script({Answer::No, Answer::Yes});
    EXPECT_FALSE(ops.remove(form, Model::Vux, 25));
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(p->requests[0].text, QStringLiteral("保存番号25を削除します。\r\nよろしいですか?"));
    EXPECT_TRUE(ops.remove(form, Model::Vux, 25));
    EXPECT_EQ(p->codes(), (QList<int>{636, 636, 637}));
    const QByteArray all = bytesOf(file);
    for (int n = 241; n <= 249; ++n)
        EXPECT_EQ(recordOf(all, n), record({})) << n;
    EXPECT_EQ(recordOf(all, 250), recordOf(before, 250));
}

TEST_F(UnitFileTest, ShortAndEmptyFilesGiveTheDefaultsWhereTheyEnd)
{
    const QString file = makeFile("short.msd", {{1, "ONE"}, {3, "THREE"}}, 3);
    UnitForm form{file, sample()};
    ASSERT_TRUE(ops.open(form, Model::Vux, 1));
    VuxSettings expected;
    expected.channel(1).name = QStringLiteral("ONE");
    expected.channel(3).name = QStringLiteral("THREE");
    EXPECT_EQ(form.settings.vux, expected);
    ASSERT_TRUE(ops.open(form, Model::Ux, 25));
    EXPECT_EQ(form.settings.ux, UxSettings{});
    EXPECT_TRUE(p->requests.isEmpty()); // a short file is not damage

    // Saving set 2 fills the gap with empty records and keeps the start.
    form.settings = sample();
    ASSERT_TRUE(ops.save(form, Model::Ux, 2));
    const QByteArray all = bytesOf(file);
    EXPECT_EQ(all.size(), 20 * 512);
    EXPECT_EQ(recordOf(all, 1), record("ONE"));
    EXPECT_EQ(recordOf(all, 19), record({}));

    writeBytes(path("empty.msd"), {});
    form = {path("empty.msd"), sample()};
    ASSERT_TRUE(ops.open(form, Model::Vux, 1));
    EXPECT_EQ(form.settings.vux, VuxSettings{});
}

TEST_F(UnitFileTest, DamagedSettingsKeepWhatIsValidAndSaySo)
{
    const QByteArray good = encodeVuxSettings(sample().vux);
    QByteArray bad = good;
    bad.replace(8 * 8 + 6 * 8, 2, "00");             // CH.1 rate
    bad.replace(8 * 8 + 6 * 8 + 3 * 8, 6, "12a456"); // CH.1 comparison
    bad.replace(8 * 8, 5, "abcdef");                 // CH.1 unit, one byte too many
    const struct {
        const char *what;
        QByteArray text;                                     // record 9: set 1's settings
        bool cutShort;                                       // what is cut off keeps its defaults
        std::function<void(VuxChannel &, QString &)> expect; // CH.1 and its comparison value
    } cases[] = {
        {"values not of their item", bad, false,
         [](VuxChannel &ch, QString &compare) {
             ch.unit.clear();
             ch.rate = QStringLiteral("1");
             compare.clear();
         }},
        {"pattern not in the list", QByteArray("bogus") + good.mid(7), false,
         [](VuxChannel &ch, QString &) { ch.decimalPoint = QStringLiteral(" 123456"); }},
        {"cut after CH.1's unit", good.left(70), true,
         [](VuxChannel &ch, QString &compare) {
             ch.rate = QStringLiteral("1");
             compare.clear();
         }},
        {"extra fields", good + "more" + '\0', false, [](VuxChannel &, QString &) {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        p->clear();
        QMap<int, QByteArray> texts = encodeSet(Model::Vux, 1, sample());
        texts[9] = c.text;
        UnitForm form{makeFile("d.msd", texts), {}};
        ASSERT_TRUE(ops.open(form, Model::Vux, 1));
        UnitSettings expected = sample();
        c.expect(expected.vux.channel(1), expected.vux.compare[0]);
        if (c.cutShort) {
            for (int ch = 2; ch <= 8; ++ch) {
                expected.vux.channel(ch).unit.clear();
                expected.vux.channel(ch).rate = QStringLiteral("1");
            }
            expected.vux.compare[1].clear();
        }
        EXPECT_EQ(form.settings.vux, expected.vux);
        ASSERT_EQ(p->requests.size(), 1);
        EXPECT_TRUE(p->requests[0].text.contains(QStringLiteral("保存番号1の内容に正しくない部分があります。")));
    }

    // A file that ends inside the UX record (inside pattern 2).
    QByteArray all = emptyFile(10);
    all.replace(9 * 512, 512, record(encodeUxSettings(sample().ux)));
    all.truncate(9 * 512 + 2 + 15);
    writeBytes(path("cut.msd"), all);
    UnitForm form{path("cut.msd"), {}};
    p->clear();
    ASSERT_TRUE(ops.open(form, Model::Ux, 1));
    EXPECT_EQ(form.settings.ux.decimalPoint1, QStringLiteral(".1234567890"));
    EXPECT_EQ(form.settings.ux.decimalPoint2, QStringLiteral("12345678.90"));
    EXPECT_EQ(p->requests.size(), 1);
}

TEST_F(UnitFileTest, PrintListTagsEveryItemOfTheSetsInUse)
{
    UnitForm form{makeFile("p.msd"), sample()};
    ASSERT_TRUE(ops.save(form, Model::Vux, 1));
    ASSERT_TRUE(ops.save(form, Model::Ux, 3));
    const auto text = ops.printText(form);
    ASSERT_TRUE(text);
    const QStringList lines = text->split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.mid(0, 6),
              (QStringList{QStringLiteral("ファイル名　") + form.fileName, kVuxLabel,
                           QStringLiteral("[No.1CH.1 NAME]  CH 1"), QStringLiteral("[No.1CH.1 D.P.]  12345.6"),
                           QStringLiteral("[No.1CH.1 UNIT]  kg"), QStringLiteral("[No.1CH.1 RATE]  11")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("[No.1CH.8 NAME]  ")));
    EXPECT_TRUE(lines.contains(QStringLiteral("[No.1-CH.2 COMPARE]  999999")));
    const qsizetype ux = lines.indexOf(kUxLabel);
    ASSERT_GT(ux, 0);
    EXPECT_EQ(lines.mid(ux + 1),
              (QStringList{QStringLiteral("[No.3CH.1 D.P.]  .1234567890"),
                           QStringLiteral("[No.3CH.2 D.P.]   1234567890"), QStringLiteral("[No.3CH.1 UNIT]  ｔ"),
                           QStringLiteral("[No.3CH.1 INDICATOR]  標準RS-232C"), QString()}));
    EXPECT_EQ(ux, 1 + 1 + 8 * 4 + 2);
}
