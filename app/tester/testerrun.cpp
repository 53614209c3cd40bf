#include "testerrun.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/outputchannel.h"
#include "message/filenamecheck.h"
#include "message/fileproblems.h"
#include "message/msdfile.h"
#include "message/numberbox.h"
#include "outputlist.h"

namespace {

constexpr int kMsgListDone = msg::ListOutputDone;
constexpr int kMsgAllDone = msg::OutputAllDone;
constexpr int kMsgStopped = msg::OutputStopped;
constexpr int kMsgNoContent = msg::EnterContent;
constexpr int kMsgBadCode = msg::BadControlCode;
constexpr int kMsgConfirmPrint = msg::AskPrint;

constexpr qint16 kFirstTesterState = 400;
constexpr qint16 kLastTesterState = 599;
constexpr int kMaxCount = 32767;

QString contentOf(const MsdRecord &record) { return cp932::decode(record.text); }

} // namespace

TesterRun::TesterRun(AppContext &ctx) : ctx_(ctx)
{
    ctx_.channel().setConvertOptionsSource([this] {
        const qint16 s = ctx_.state.toolState;
        return s >= kFirstTesterState && s <= kLastTesterState ? convertOptions(selection_)
                                                               : notation::ConvertOptions{};
    });
}

TesterRun::~TesterRun() { ctx_.channel().setConvertOptionsSource(nullptr); }

// ---- window life ---------------------------------------------------------

void TesterRun::enterTool()
{
    OutputChannel &ch = ctx_.channel();
    ch.rx().clearText();
    ch.rx().replyComplete = false;
    ch.openSerialPort();
    ch.lptPrepare();
}

void TesterRun::backToMenu() { ctx_.state.noModemLines = false; }

void TesterRun::closeTool()
{
    stop();
    OutputChannel &ch = ctx_.channel();
    ch.closeAndRestore();
    ch.lptRestore();
}

bool TesterRun::progressShown() const { return !ctx_.state.startupArgument.isEmpty(); }

// ---- the count box -------------------------------------------------------

qint16 TesterRun::runCountFromText(const QString &text)
{
    if (text == QLatin1String(" "))
        return 1;
    return qint16(countValue(text));
}

int TesterRun::countValue(const QString &text)
{
    return int(qBound<qint64>(0, numberbox::numericValue(text), qint64(kMaxCount)));
}

QString TesterRun::counterText(qint64 value)
{
    const QString digits = QString::number(qAbs(value)).rightJustified(4, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

// ---- runs ----------------------------------------------------------------

bool TesterRun::active() const { return ctx_.channel().state().transferActive; }

void TesterRun::report(const RunProgress &p) const
{
    if (showProgress)
        showProgress(p);
}

int TesterRun::currentCount(const TesterForm &form) const
{
    return countValue(countText ? countText() : form.countText);
}

bool TesterRun::printerReady()
{
    OutputChannel &ch = ctx_.channel();
    if (ctx_.state.output.interfaceName == kInterfaceSerial)
        return ch.waitCts() && ch.waitDsrAfterDtr();
    return ch.lptWaitSelect() && ch.lptWaitReady();
}

RunResult TesterRun::start(const TesterForm &form, int *badCodeAt)
{
    if (running_ || form.outputMode < OutputModes::Selected || form.outputMode > OutputModes::List)
        return RunResult::NotStarted;
    selection_ = form.model;
    // 1. A printer without DSR: no DSR checks until back to the menu.
    const PrinterModel *model = printermodels::find(form.model.model);
    if (model && model->noModemLines)
        ctx_.state.noModemLines = true;
    // 2.
    if (!printerReady())
        return RunResult::NotStarted;
    // 3.
    OutputChannel &ch = ctx_.channel();
    running_ = true;
    ch.state().transferActive = true;
    if (setRunningMode)
        setRunningMode(true);
    // 4.
    bool refused = false;
    switch (form.outputMode) {
    case OutputModes::Selected:
        runSelected(form, badCodeAt, refused);
        break;
    case OutputModes::All:
        runAll(form, refused);
        break;
    default:
        runList(form, refused);
        break;
    }
    // 5.
    const bool stopped = !active();
    ch.state().transferActive = false;
    running_ = false;
    if (setRunningMode)
        setRunningMode(false);
    if (refused)
        return RunResult::Refused;
    return stopped ? RunResult::Stopped : RunResult::Finished;
}

void TesterRun::stop()
{
    if (running_)
        ctx_.channel().state().transferActive = false;
}

void TesterRun::send(const QByteArray &job)
{
    bool sent;
    if (sendJob) {
        sent = sendJob(job);
    } else {
        OutputChannel &ch = ctx_.channel();
        ch.state().sendText = job;
        sent = ctx_.state.output.interfaceName == kInterfaceSerial ? ch.sendSerialDrained(job) : ch.sendParallel();
    }
    // A printer prompt answered Cancel, or a port that failed: every
    // further job would only ask again, so the run ends here.
    if (!sent)
        ctx_.channel().state().transferActive = false;
}

void TesterRun::runLoop(const TesterForm &form, const std::function<void()> &unit, bool eventsAfterUnit)
{
    OutputChannel &ch = ctx_.channel();
    const bool interval = ctx_.state.numberIntervalSet;
    RunProgress p;
    if (form.continuous) {
        qint64 counter = 0;
        p.counter = counterText(counter);
        report(p);
        do {
            unit();
            eventwait::processPending();
            p.counter = counterText(++counter);
            report(p);
            if (interval && active())
                ch.waitNumberInterval();
        } while (active());
        return;
    }

    const int n = currentCount(form);
    p.maximum = n;
    p.barVisible = progressShown();
    p.counter = counterText(n);
    report(p);
    for (int i = 1; i <= n; ++i) {
        unit();
        if (eventsAfterUnit)
            eventwait::processPending();
        // The box may have been changed meanwhile.
        const int now = currentCount(form);
        p.value = i;
        p.counter = counterText(qint64(now) - i);
        report(p);
        // A stop request ends the counted run in every mode, not only
        // after the last unit.
        if (!active() || now == i || i == n)
            break;
        if (interval && !ch.waitNumberInterval())
            break;
    }
    ch.waitMs(finishPauseMs_);
    p.barVisible = false;
    p.counter.clear();
    report(p);
}

void TesterRun::runSelected(const TesterForm &form, int *badCodeAt, bool &refused)
{
    Messenger &m = ctx_.messenger();
    OutputChannel &ch = ctx_.channel();
    refused = true;
    if (form.content.isEmpty()) {
        m.showCatalogMessage(kMsgNoContent);
        return;
    }
    const notation::EscapeCheck check = ch.validateEscapes(form.content);
    if (!check.valid) {
        m.showCatalogMessage(kMsgBadCode);
        if (badCodeAt)
            *badCodeAt = check.errorPosition - 1;
        return;
    }
    if (m.showCatalogMessage(kMsgConfirmPrint) != Answer::Yes)
        return;
    refused = false;
    const QByteArray job = printJob(form.content, selection_);
    runLoop(
        form, [&] { send(job); }, true);
}

std::optional<QList<MsdRecord>> TesterRun::readRecords(const QString &path)
{
    QString error;
    auto records = MsdFile(path).readRecords(MsdFile::kRecordCount, &error);
    if (!records)
        fileproblems::tell(ctx_.messenger(), QStringLiteral("ファイルを読み込めませんでした。"), path, error);
    return records;
}

void TesterRun::runAll(const TesterForm &form, bool &refused)
{
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path) {
        refused = true;
        return;
    }
    runLoop(
        form,
        [&] {
            const auto records = readRecords(*path);
            if (!records) {
                ctx_.channel().state().transferActive = false;
                return;
            }
            for (const MsdRecord &record : *records) {
                if (!active())
                    break;
                if (record.occupied())
                    send(printJob(contentOf(record), selection_));
                eventwait::processPending();
            }
        },
        false);
    ctx_.messenger().showCatalogMessage(active() ? kMsgAllDone : kMsgStopped);
}

void TesterRun::runList(const TesterForm &form, bool &refused)
{
    refused = true;
    if (form.outputList.isEmpty())
        return;
    const outputlist::Parsed list = outputlist::parse(form.outputList);
    if (list.messageCode == outputlist::kCharacterMessage) {
        ctx_.messenger().showCatalogMessage(list.messageCode);
        return;
    }
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return;
    refused = false;
    runLoop(
        form,
        [&] {
            const auto records = readRecords(*path);
            if (!records) {
                ctx_.channel().state().transferActive = false;
                return;
            }
            for (int n : list.numbers) {
                if (!active())
                    return;
                send(printJob(contentOf(records->at(n - 1)), selection_));
                eventwait::processPending();
            }
            // Every further pass would stop at the same item with the
            // same message: the run ends with this one.
            if (list.messageCode == outputlist::kRangeMessage && active()) {
                ctx_.messenger().showCatalogMessage(list.messageCode);
                ctx_.channel().state().transferActive = false;
            }
        },
        false);
    ctx_.messenger().showCatalogMessage(active() ? kMsgListDone : kMsgStopped);
}

std::optional<QString> TesterRun::listContents(TesterForm &form)
{
    if (form.outputList.isEmpty())
        return std::nullopt;
    const outputlist::Parsed list = outputlist::parse(form.outputList);
    if (list.messageCode == outputlist::kCharacterMessage) {
        ctx_.messenger().showCatalogMessage(list.messageCode);
        return std::nullopt;
    }
    const auto path = filenamecheck::check(ctx_, form.fileName);
    if (!path)
        return std::nullopt;
    form.fileName = *path;
    const auto records = readRecords(*path);
    if (!records)
        return std::nullopt;
    QString contents;
    for (int n : list.numbers)
        contents += contentOf(records->at(n - 1));
    if (list.messageCode == outputlist::kRangeMessage)
        ctx_.messenger().showCatalogMessage(list.messageCode);
    return contents;
}
