#pragma once
// Process-wide state shared by the launcher, the output channel and every
// tool. One instance lives in the AppContext; nothing else is global.
#include "prompter.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Tool state codes: which tool is open and which operation it runs.
namespace ToolStates {
constexpr qint16 Launcher = 0;
constexpr qint16 Message = 200;
constexpr qint16 Tester = 400;
constexpr qint16 Ticket = 600;
constexpr qint16 Unit = 800;
constexpr qint16 Finger = 900;
} // namespace ToolStates

inline const QString kInterfaceSerial = QStringLiteral("シリアル");
inline const QString kInterfaceParallel = QStringLiteral("パラレル");

// The settings record of zentrix.ini, held with validated values.
struct OutputSettings {
    qint16 comPort = 1;
    qint32 lptBase = 0;
    QString interfaceName = kInterfaceSerial;
    QString baudText = QStringLiteral("9600bps ");
    qint16 parity = 0; // 0 none, 1 even, 2 odd
    qint16 byteInterval = 0;
    qint32 numberInterval = 0;
    qint32 dtrWait = 100;
    qint32 replyWait = 0;

    bool operator==(const OutputSettings &) const = default;
};

// The serial port's own properties as found at start, put back at the end.
struct SerialDefaults {
    QString settings = QStringLiteral("9600,N,8,1");
    bool dtrEnable = false;
    bool rtsEnable = false;
    int rThreshold = 0;
    int inputLen = 0;
};

struct AppState {
    qint16 toolState = ToolStates::Launcher;
    OutputSettings output;
    bool byteIntervalSet = false;
    bool numberIntervalSet = false;
    bool parallelAvailable = false;
    bool noModemLines = false;

    QString osArchitecture;
    qint16 winVersionCode = 0;
    qint16 osPlatform = 0;

    // Shared window position, in twips.
    int launcherLeft = 0;
    int launcherTop = 0;
    bool launcherMaximized = false;
    int contentOffsetX = 0;
    int contentOffsetY = 0;
    int normalLeft = 0;
    int normalTop = 0;
    bool firstLoadDone = false;

    QString startupArgument;
    SerialDefaults serialDefaults;

    // The print tester's choices, kept from one opening to the next.
    qint16 outputMode = 0; // OutputMode: 0 選択No.のみ, 1 全て, 2 出力リスト使用
    qint16 runCount = 1;   // RunCount: the count of a counted run

    // Values the message texts fill in.
    int currentNumber = 0;            // message/record number 1-255
    int ticketSaveNumber = 0;         // ticket tool save number
    QString folderUnderTest;          // folder named in the folder question
    bool registrantReadEmpty = false; // selects the second text of code 912
    Answer lastAnswer = Answer::None;

    QString programFolder;
};
