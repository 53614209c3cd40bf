#pragma once
#include <QString>

// The folder that holds zentrix.ini, Help/, Finger/ and the viewer:
// ZENTRIX_HOME if set, else the executable's folder if writable, else the
// user's data folder.
QString resolveProgramFolder();

// Where a help page lies: the program folder's Help/ first, then the
// installed share folder. Empty when neither has it.
QString findHelpFile(const QString &programFolder, const QString &pageName);
