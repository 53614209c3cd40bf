#pragma once
#include <QString>

// The folder that holds zentrix.ini, Help/, Finger/ and the viewer:
// ZENTRIX_HOME if set, else the executable's folder if writable and not an
// installed program's, else the user's data folder (~/.local/share/Zentrix,
// the same for every program of the workbench).
QString resolveProgramFolder();
// The same for an executable in exeDir.
QString resolveProgramFolder(const QString &exeDir);

// The read-only share folder an installed program came with
// (<prefix>/share/zentrix beside <prefix>/bin); empty in a build tree.
QString installedShareFolder(const QString &exeDir);

// Where a help page lies: the program folder's Help/ first, then the
// executable's folder, then the installed share folder. Empty when none
// has it.
QString findHelpFile(const QString &programFolder, const QString &pageName);
QString findHelpFile(const QString &programFolder, const QString &pageName, const QString &exeDir);
