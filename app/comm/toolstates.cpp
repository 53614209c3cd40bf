#include "toolstates.h"

#include <iterator>

namespace toolstates {

namespace {

using framing::Kind;

constexpr const char *kLauncherHelp = "ToolHelp.htm";
constexpr const char *kMessageHelp = "WinQlmHelp.htm";
constexpr const char *kTesterHelp = "TestHelp.htm";
constexpr const char *kTicketHelp = "WinTqHelp.htm";
constexpr const char *kUnitHelp = "WinUxHelp.htm";
constexpr const char *kFingerHelp = "FingerHelp.htm";

// The fingerprint manager sets 901 just before it opens its help; every
// other state from 800 on opens the unit-setting page.
constexpr Row kRows[] = {
    // first  last   framing            compare              long   help          persona
    {0, 0, Kind::Default, Compare::FrameEnd, false, kLauncherHelp, "message"},
    // message tool: 200 idle, 204-213 operations
    {200, 200, Kind::LeaveAlone, Compare::FrameEnd, false, kMessageHelp, "message"},
    {1, 399, Kind::Default, Compare::FrameEnd, false, kMessageHelp, "message"},
    // print tester
    {400, 400, Kind::TesterWindow, Compare::FrameEnd, false, kTesterHelp, "sink"},
    {401, 599, Kind::Default, Compare::FrameEnd, false, kTesterHelp, "sink"},
    // ticket tool: 600 idle, 610-626 operations
    {600, 600, Kind::LeaveAlone, Compare::FrameEnd, false, kTicketHelp, "ticket"},
    {613, 613, Kind::Lines, Compare::FrameEnd, false, kTicketHelp, "ticket"},
    {616, 616, Kind::Dc3Four, Compare::NumberModel, false, kTicketHelp, "ticket"},
    {623, 623, Kind::Default, Compare::NumberModel, false, kTicketHelp, "ticket"},
    {626, 626, Kind::Rotation, Compare::FrameEnd, false, kTicketHelp, "ticket"},
    {601, 799, Kind::Default, Compare::FrameEnd, false, kTicketHelp, "ticket"},
    // unit-setting tool: 800 idle, 810-873 operations
    {841, 841, Kind::NulRecord, Compare::FrameEnd, false, kUnitHelp, "unit"},
    {860, 860, Kind::Dc3Two, Compare::Index2, true, kUnitHelp, "unit"},
    {872, 873, Kind::Rotation, Compare::FrameEnd, false, kUnitHelp, "unit"},
    {800, 899, Kind::Default, Compare::FrameEnd, false, kUnitHelp, "unit"},
    // fingerprint manager: 900 idle, 901-999 and four-digit sub-codes
    {900, 900, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {901, 901, Kind::Default, Compare::FrameEnd, false, kFingerHelp, "finger"},
    {912, 912, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {913, 913, Kind::EtxBlock, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {914, 916, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {923, 924, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {925, 925, Kind::AckCut, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {999, 999, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {9151, 9151, Kind::LeaveAlone, Compare::FrameEnd, false, kUnitHelp, "finger"},
    {900, 32767, Kind::Default, Compare::FrameEnd, false, kUnitHelp, "finger"},
};

// Below 0 nothing is defined: framed and helped like any unknown state.
constexpr Row kOther = {-32768, -1, Kind::Default, Compare::FrameEnd, false, kUnitHelp, "message"};

} // namespace

qint16 idleState(Tool tool)
{
    switch (tool) {
    case Tool::Message:
        return 200;
    case Tool::Tester:
        return 400;
    case Tool::Ticket:
        return 600;
    case Tool::Unit:
        return 800;
    case Tool::Finger:
        return 900;
    }
    return 0;
}

const Row &find(qint16 toolState)
{
    for (const Row &row : kRows) {
        if (toolState >= row.first && toolState <= row.last)
            return row;
    }
    return kOther;
}

} // namespace toolstates
