// The start/stop sequence against a stand-in service manager that behaves
// like the real one: a service is installed or not, running or not, and its
// device answers only while it runs.
#include "drivercontrol.h"
#include "kzpio.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kzpio;

namespace {

struct FakeManager : ServiceLayer {
    bool rights = true; // the manager can be opened
    bool installed = false;
    bool running = false;
    bool driverLoads = true; // a start of the installed service works
    bool deviceAnswers = true;
    int stopError = 0;
    int removeError = 0;

    bool managerOpen = false;
    std::vector<std::string> calls;

    bool openManager() override
    {
        calls.push_back("manager");
        managerOpen = rights;
        return rights;
    }
    void closeManager() override
    {
        calls.push_back("close");
        managerOpen = false;
    }
    int install() override
    {
        calls.push_back("install");
        if (installed)
            return kServiceExists;
        installed = true;
        return kOk;
    }
    int start() override
    {
        calls.push_back("start");
        if (!installed)
            return kNoService;
        if (running)
            return kServiceRunning;
        if (!driverLoads)
            return 2; // the driver file is not there
        running = true;
        return kOk;
    }
    bool openDevice() override
    {
        calls.push_back("open");
        return running && deviceAnswers;
    }
    int stop() override
    {
        calls.push_back("stop");
        if (stopError)
            return stopError;
        if (!installed)
            return kNoService;
        if (!running)
            return kServiceNotActive;
        running = false;
        return kOk;
    }
    int remove() override
    {
        calls.push_back("remove");
        if (removeError)
            return removeError;
        if (!installed)
            return kNoService;
        installed = running = false;
        return kOk;
    }
};

using Calls = std::vector<std::string>;

struct StartCase {
    const char *name;
    bool rights, installed, running, driverLoads, deviceAnswers;
    uint32_t result;
    Calls calls;         // during IOSCM_Start
    bool installedAfter; // what start leaves behind
};

// After a failed start nothing may be left installed, running or open.
const StartCase kStartCases[] = {
    {"FreshMachineInstallsAtTheThirdAttempt",
     true,
     false,
     false,
     true,
     true,
     0x0E,
     {"open", "manager", "start", "install", "start", "open"},
     true},
    {"RunningServiceIsUsedAtTheFirstAttempt", true, true, true, true, true, 0x0E, {"open"}, true},
    {"InstalledStoppedServiceIsStartedAtTheSecondAttempt",
     true,
     true,
     false,
     true,
     true,
     0x0E,
     {"open", "manager", "start", "open"},
     true},
    {"NoRightsFailsAndStopsCleanly", false, false, false, true, true, 0x01, {"open", "manager", "manager"}, false},
    {"DriverThatDoesNotLoadIsRemovedAgain",
     true,
     false,
     false,
     false,
     true,
     0x01,
     {"open", "manager", "start", "install", "start", "install", "remove", "close"},
     false},
    {"DeviceThatNeverAnswersIsStoppedAndRemoved",
     true,
     false,
     false,
     true,
     false,
     0x01,
     {"open", "manager", "start", "install", "start", "open", "stop", "install", "remove", "close"},
     false},
    // A stale service that cannot start: the install finds it, takes it
    // down and the start fails, so the next run installs it afresh.
    {"StaleServiceIsRemovedAndTheStartFails",
     true,
     true,
     false,
     false,
     true,
     0x01,
     {"open", "manager", "start", "install", "stop", "install", "remove", "close"},
     false},
};

void PrintTo(const StartCase &c, std::ostream *os) { *os << c.name; }

class StartPaths : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartPaths, ResultCallsAndWhatIsLeft)
{
    const StartCase &c = GetParam();
    FakeManager m;
    m.rights = c.rights;
    m.installed = c.installed;
    m.running = c.running;
    m.driverLoads = c.driverLoads;
    m.deviceAnswers = c.deviceAnswers;

    DriverControl control(m);
    EXPECT_EQ(control.start(), c.result);
    EXPECT_EQ(m.calls, c.calls);
    EXPECT_EQ(m.installed, c.installedAfter);
    if (c.result & KZPIO_START_FAILED) {
        EXPECT_FALSE(m.running);
        EXPECT_FALSE(m.managerOpen);
        // Stopping again has nothing left to do.
        m.calls.clear();
        EXPECT_EQ(control.stop(), 0u);
        EXPECT_TRUE(m.calls.empty());
        return;
    }

    // Whichever attempt succeeded, the stop takes the service down.
    Calls stopCalls{"stop", "install", "remove", "close"};
    if (!m.managerOpen)
        stopCalls.insert(stopCalls.begin(), "manager");
    m.calls.clear();
    EXPECT_EQ(control.stop(), 0u);
    EXPECT_EQ(m.calls, stopCalls);
    EXPECT_FALSE(m.installed);
    EXPECT_FALSE(m.running);
    EXPECT_FALSE(m.managerOpen);
    EXPECT_EQ(control.state(), 0u);
}

INSTANTIATE_TEST_SUITE_P(DriverControl, StartPaths, ::testing::ValuesIn(kStartCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(DriverControl, StaleServiceIsInstalledAfreshOnTheNextRun)
{
    FakeManager m;
    m.installed = true;
    m.driverLoads = false;
    DriverControl first(m);
    EXPECT_EQ(first.start(), 0x01u);

    m.driverLoads = true; // e.g. the driver file is back in place
    DriverControl next(m);
    EXPECT_EQ(next.start(), 0x0Eu);
}

TEST(DriverControl, StopWithoutStartDoesNothing)
{
    FakeManager m;
    m.installed = m.running = true; // someone else's service stays alone
    DriverControl control(m);
    EXPECT_EQ(control.stop(), 0u);
    EXPECT_TRUE(m.calls.empty());
    EXPECT_TRUE(m.running);
}

TEST(DriverControl, FailedStopReportsFourAndLeavesTheRemovalForLater)
{
    FakeManager m;
    DriverControl control(m);
    ASSERT_EQ(control.start(), 0x0Eu);

    m.stopError = 1051;
    EXPECT_EQ(control.stop(), 4u);
    EXPECT_TRUE(m.managerOpen);
    EXPECT_TRUE(m.installed);
    EXPECT_EQ(control.state() & KZPIO_REMOVE_AT_END, uint32_t(KZPIO_REMOVE_AT_END));

    // The stop is not tried again; the next call goes on with the removal.
    m.calls.clear();
    EXPECT_EQ(control.stop(), 0u);
    EXPECT_EQ(m.calls, (Calls{"install", "remove", "close"}));
    EXPECT_FALSE(m.installed);
}

TEST(DriverControl, FailedRemovalReportsEightAndIsRetried)
{
    FakeManager m;
    DriverControl control(m);
    ASSERT_EQ(control.start(), 0x0Eu);

    m.removeError = 5;
    EXPECT_EQ(control.stop(), 8u);
    EXPECT_TRUE(m.managerOpen);
    EXPECT_TRUE(control.state() & KZPIO_REMOVE_AT_END);
    EXPECT_FALSE(control.state() & KZPIO_DEVICE_REACHABLE);

    m.removeError = 0;
    EXPECT_EQ(control.stop(), 0u);
    EXPECT_FALSE(m.installed);
    EXPECT_FALSE(m.managerOpen);
    EXPECT_EQ(control.state(), 0u);
}
