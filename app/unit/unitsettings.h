#pragma once
// The settings of the unit-setting printer line: per channel the name,
// decimal point pattern, unit, rate and comparison value of the 8-channel
// " VUX-350Q", the two decimal points, unit and indicator of the 2-channel
// " UX-350Q", their defaults, and the check that runs before a save or a
// register. Pure values and functions; the window shows them.
#include "base/prompter.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace unit {

// Tool states while the unit-setting tool is open.
namespace UnitStates {
constexpr qint16 Idle = 800;
constexpr qint16 Open = 810;
constexpr qint16 Save = 820;
constexpr qint16 Delete = 830;
constexpr qint16 Read = 840;
constexpr qint16 Reading = 841; // the exchange itself, framed as NUL records
constexpr qint16 Register = 850;
constexpr qint16 TestPrint = 860;
constexpr qint16 SubMenu = 870;
constexpr qint16 VuxOutputCheck = 872;
constexpr qint16 UxOutputCheck = 873;
} // namespace UnitStates

enum class Model { None, Vux, Ux };

// Titles of the window's two model areas; the selection dialog names the
// models without the leading blank.
inline const QString kVuxLabel = QStringLiteral(" VUX-350Q");
inline const QString kUxLabel = QStringLiteral(" UX-350Q");

constexpr int kVuxChannels = 8;
constexpr int kUxChannels = 2;
constexpr int kCompareChannels = 2; // only CH.1 and CH.2 have a comparison value
constexpr int kUnitBytes = 5;
constexpr int kNameWidth = 7;
constexpr int kCompareDigits = 6;
constexpr int kRateMin = 1;
constexpr int kRateMax = 99;

// The combo box lists; a pattern's position is its code.
const QStringList &vuxPatterns(); // " 123456" .. "1.23456", codes 0..5
const QStringList &uxPatterns();  // " 1234567890" .. ".1234567890", codes 0..9, A
const QStringList &indicators();  // codes 0..3, 0 "指定なし"

// The pattern list of a model (empty for none).
const QStringList &patternsOf(Model model);
// The code of a pattern, or nothing when it is not in the model's list.
std::optional<int> patternCode(Model model, const QString &pattern);

struct VuxChannel {
    QString name; // display form, as the name box holds it
    QString decimalPoint = vuxPatterns().first();
    QString unit;
    QString rate = QStringLiteral("1");
    bool operator==(const VuxChannel &) const = default;
};

struct VuxSettings {
    std::array<VuxChannel, kVuxChannels> channels;
    std::array<QString, kCompareChannels> compare; // CH.1, CH.2

    // Channel c, 1-based; the caller keeps c within 1..8.
    VuxChannel &channel(int c) { return channels[size_t(c - 1)]; }
    const VuxChannel &channel(int c) const { return channels[size_t(c - 1)]; }
    bool operator==(const VuxSettings &) const = default;
};

struct UxSettings {
    QString decimalPoint1 = QStringLiteral("123456789.0"); // CH.1
    QString decimalPoint2 = QStringLiteral("12345678.90"); // CH.2
    QString unit;
    QString indicator; // empty: nothing chosen, sent as "指定なし"
    bool operator==(const UxSettings &) const = default;
};

// What the window holds: both model areas.
struct UnitSettings {
    VuxSettings vux;
    UxSettings ux;
    bool operator==(const UnitSettings &) const = default;
};

inline bool isVuxChannel(int c) { return c >= 1 && c <= kVuxChannels; }
inline bool hasCompare(int c) { return c >= 1 && c <= kCompareChannels; }

// ---- check before save and register ---------------------------------

// The box that holds the first fault, so the window can focus it.
enum class Field { None, Name, DecimalPoint, Rate, Compare, Unit, Indicator };

inline constexpr int kBadCodeMessage = 104;
inline constexpr int kBadDecimalPointMessage = 821;
inline constexpr int kBadRateMessage = 822;
inline constexpr int kBadCompareMessage = 823;
inline constexpr int kBadIndicatorMessage = 824;
inline constexpr int kBadNumberMessage = 630;

struct Fault {
    int code = 0; // catalogue message; 0: no fault
    Field field = Field::None;
    int channel = 0; // VUX 1..8; UX 1 or 2 (decimal points), 1 (unit, indicator)
    int caret = -1;  // message 104: index of the "&" of the bad code in the name
    bool ok() const { return code == 0; }
};

// Checks channel c of a VUX-350Q in the order name, decimal point, rate,
// comparison value (CH.1, CH.2), unit. On the way an empty decimal point
// becomes the first pattern, an empty rate "1", a rate its plain number
// and the unit is cut to 5 bytes; these stay even when a later item fails.
Fault checkVuxChannel(VuxSettings &s, int channel);
// Channels 1..8 in order; the first fault.
Fault checkVux(VuxSettings &s);
// Decimal points 1 and 2, unit, then the indicator (an entry of the list,
// or empty).
Fault checkUx(UxSettings &s);
// The check of a model's area; a model of none is refused with 825.
Fault checkModel(Model model, UnitSettings &s);

// A rate box as its number: ASCII digits (blanks around allowed) within
// 1..99; nothing otherwise.
std::optional<int> rateNumber(const QString &text);

// The longest start of the text that takes at most maxBytes in CP932,
// never splitting a character.
QString cutToBytes(const QString &text, int maxBytes);

// ---- the indicator question before a UX-350Q register -----------------

inline const QString kIndicatorQuestionTitle = QStringLiteral("指示計指定の確認");
inline const QString kIndicatorQuestion =
    QStringLiteral("パソコンとプリンタをシリアルケーブルで接続している場合は、\r\n"
                   "指示計指定の項目で [指定なし] を選択します。\r\n"
                   "現在の指定でよろしいですか？");
// Question icon, Yes/No, No as the default.
inline constexpr MessageStyle kIndicatorQuestionStyle(Icon::Question, Buttons::YesNo, 1);

// An indicator is chosen (other than "指定なし"): ask before registering.
bool needsIndicatorQuestion(const UxSettings &s);

} // namespace unit
