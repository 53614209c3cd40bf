#pragma once
// The runs of the print tester ("印字開始" to the end of its loop): the
// content on screen, every stored content of the message file, or the
// contents the output list names, sent as jobs once per unit, either
// until "印字停止" (連続) or a given number of times (指定).
//
//   mode                  unit        closing message
//   0 選択No.のみ          one job     none
//   1 全て                 one pass    7, or 13 when stopped
//   2 出力リスト使用        one pass    2, or 13 when stopped
//
// A run checks the printer first (nothing happens when that fails), then
// tells the window it is running, checks the mode's input, and loops with
// the number interval between units. A stop request ends a counted run
// after the current unit in every mode; inside a unit it ends the pass
// between records and the output channel's waits at once. Events run
// after every job, so the stop button, the status poll and received
// bytes are served.
#include "message/msdfile.h"
#include "printjob.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class AppContext;

// What a run reads from the window when it starts.
struct TesterForm {
    QString fileName;        // Text1
    QString content;         // Text3, display form with CR LF line ends
    ModelSelection model;    // Combo1, Combo2
    int outputMode = 0;      // OutputMode: 0 選択No.のみ, 1 全て, 2 出力リスト使用
    QString outputList;      // Text4
    bool continuous = false; // Option4 "連続"; else Option5 "指定"
    QString countText;       // Text5
};

namespace OutputModes {
constexpr int Selected = 0;
constexpr int All = 1;
constexpr int List = 2;
} // namespace OutputModes

// What the status bar and the progress bar show.
struct RunProgress {
    QString counter; // StatusBar1 panel 2
    int maximum = 0; // PBar1, counted runs
    int value = 0;
    bool barVisible = false; // counted run with ProgressShown
};

enum class RunResult {
    NotStarted, // printer not ready, a run already active, or no mode
    Refused,    // the mode's input check stopped it (57, 104, 352 No, 103, file)
    Finished,   // every unit ran
    Stopped,    // stopped by "印字停止" or by a printer prompt answered Cancel
};

class TesterRun {
public:
    // Installs the tester's conversion options on the output channel;
    // they apply while a print-tester state is set.
    explicit TesterRun(AppContext &ctx);
    ~TesterRun();
    TesterRun(const TesterRun &) = delete;
    TesterRun &operator=(const TesterRun &) = delete;

    // ---- set by the window --------------------------------------------
    // On at the start of a run (buttons off but "印字停止", "印字処理中",
    // blinking), off at its end.
    std::function<void(bool running)> setRunningMode;
    std::function<void(const RunProgress &)> showProgress;
    // The count box now; read every round of a counted run (the form's
    // countText when unset).
    std::function<QString()> countText;
    // Sends one job; the output channel by the interface setting when unset.
    std::function<bool(const QByteArray &job)> sendJob;

    // The pause before a counted run clears its counter.
    void setFinishPauseMs(int ms) { finishPauseMs_ = ms; }

    // ---- window life ------------------------------------------------
    // Load: receive text and reply flag cleared, serial port opened,
    // parallel control register prepared.
    void enterTool();
    // "メニューへ戻る": the DSR checks a model switched off are on again.
    void backToMenu();
    // Close box: a run is stopped, the serial port closed and restored,
    // the parallel control register put back.
    void closeTool();

    // ---- runs -------------------------------------------------------
    // "印字開始". On message 104 *badCodeAt gets the index of the "&" of
    // the bad control code in the content.
    RunResult start(const TesterForm &form, int *badCodeAt = nullptr);
    // "印字停止": ends the active run (no effect otherwise).
    void stop();
    bool running() const { return running_; }

    // "内容を表示": the stored contents of the list's numbers, one after
    // the other. Nothing for an empty list, a character not allowed (103)
    // or a file that fails the check; an out-of-range item shows 100 and
    // ends the contents before it. The form's file name becomes the name
    // the check settled on.
    std::optional<QString> listContents(TesterForm &form);

    // The program was started with an argument: counter and progress bar shown.
    bool progressShown() const;

    // ---- the count box ----------------------------------------------
    // RunCount from the count box's text: 1 for a single blank, else its
    // integer value (0 for none).
    static qint16 runCountFromText(const QString &text);
    // The number of rounds the box asks for.
    static int countValue(const QString &text);
    // "0000", "0012", "-0002".
    static QString counterText(qint64 value);

private:
    bool printerReady();
    void runSelected(const TesterForm &form, int *badCodeAt, bool &refused);
    void runAll(const TesterForm &form, bool &refused);
    void runList(const TesterForm &form, bool &refused);
    // Repeats the unit (continuous or counted) with the number interval.
    void runLoop(const TesterForm &form, const std::function<void()> &unit, bool eventsAfterUnit);
    // One job; a failed send that the user did not stop ends the run.
    void send(const QByteArray &job);
    int currentCount(const TesterForm &form) const;
    void report(const RunProgress &p) const;
    bool active() const;
    // The file's records; nothing after telling the user why not.
    std::optional<QList<MsdRecord>> readRecords(const QString &path);

    AppContext &ctx_;
    ModelSelection selection_;
    bool running_ = false;
    int finishPauseMs_ = 500;
};
