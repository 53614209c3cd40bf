#pragma once
// The registrant list printed on the printer itself: one string that the
// printer prints upside down, so it is built from the last printed line
// to the first (the rows from 100 down to 1, the header after them).
#include <QByteArray>

class FingerUsers;
class Messenger;
class OutputChannel;

namespace listslip {

// The whole job; a table whose row 1 has no finger-1 ID gives the
// no-registrant slip.
QByteArray build(const FingerUsers &users);

// CTS and DSR (asking until they come or the user cancels), tool state
// 922, the port readied and the list sent; what came in meanwhile is
// dropped. A send that breaks off part way is told (notice 13); false
// then and after a cancelled check.
bool print(OutputChannel &channel, Messenger &messenger, const FingerUsers &users);

} // namespace listslip
