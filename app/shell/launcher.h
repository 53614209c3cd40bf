#pragma once
// What the launcher does at start, on resize, on the help button and at
// shut-down, apart from the widgets themselves.
#include <QString>
#include <QtGlobal>

class AppContext;
struct AppState;

namespace launcher {

// Twips of the launcher's fixed design and the width beyond which the
// window counts as enlarged.
constexpr int kDesignWidth = 10000;
constexpr int kDesignHeight = 8000;
constexpr int kEnlargedAbove = 10010;
constexpr int kTwipsPerPixel = 15;

inline const QString kNoParallelText = QStringLiteral("当PCではパラレルI/Fでの出力はできません。");

// The command line with one enclosing pair of double quotes removed: when
// it holds a quote anywhere, its first and last characters go.
QString startupArgument(const QString &commandLine);

// First placement: centred on a screen of the given size in twips.
void placeOnFirstLoad(AppState &state, int screenWidthTwips, int screenHeightTwips);

// Resize rule: an enlarged window centres the design block.
void applyResize(AppState &state, int widthTwips, int heightTwips);

// Start-up step 8: binds the port library, starts it in the program
// folder and sets ParallelAvailable; tells the user once when parallel
// output is not possible.
void decideParallel(AppContext &ctx);

// Shut-down step 1 and the font file removal (step 4).
void stopParallel(AppContext &ctx);
void removeFontFile(const QString &programFolder);

// Unit-setting tool: forced serial, 9600 bps, no parity, in memory only.
void forceUnitToolSettings(AppState &state);

} // namespace launcher
