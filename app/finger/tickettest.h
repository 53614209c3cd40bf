#pragma once
// The ticket test of the fingerprint manager: reading stays open and every
// registered finger placed on the sensor gets a sample slip, until Esc or
// until the countdown runs out without a finger.
class FingerUnit;
class SampleSlips;

namespace tickettest {

// Seconds the test waits for the next finger.
constexpr int kSeconds = 10;

// Everything after the dialog gave the slip choice: CTS and DSR, the
// status text, reading opened, then one slip per recognised finger with
// the countdown restarted after each. Esc is unit.cancel(). Ends with
// notice 916 and true after Esc or the countdown; false when a check was
// cancelled, reading could not be opened, the unit reported a fault
// (told by the unit's check) or the line was lost (told by the channel).
// Reading is closed again at the end while the line is there.
bool run(FingerUnit &unit, SampleSlips &slips, int choice, int seconds = kSeconds);

} // namespace tickettest
