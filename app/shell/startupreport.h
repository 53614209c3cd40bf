#pragma once
#include <QString>

// Time since the process started (ms) and its peak resident memory (KiB),
// read from /proc; -1 when not available. Used by the start-up report
// (ZENTRIX_STARTUP_REPORT=1) that measures how fast the launcher appears.
double msSinceProcessStart();
long peakResidentKiB();
