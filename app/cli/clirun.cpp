#include "clirun.h"

#include "cliprompter.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "base/savefile.h"
#include "base/settingsfile.h"
#include "comm/appcontext.h"
#include "comm/eventwait.h"
#include "comm/mappedseriallink.h"
#include "comm/notation.h"
#include "comm/outputchannel.h"
#include "comm/outputmonitor.h"
#include "comm/portio.h"
#include "comm/receiver.h"
#include "comm/serialcontrol.h"
#include "comm/toolstates.h"
#include "comm/traffictrace.h"
#include "finger/fingerfiles.h"
#include "finger/fingerunit.h"
#include "message/messagefileoperations.h"
#include "message/messagetransfer.h"
#include "message/msdfile.h"
#include "shell/launcher.h"
#include "shell/programfolder.h"
#include "tester/testerrun.h"
#include "ticket/ticketfileoperations.h"
#include "ticket/ticketprintersettings.h"
#include "ticket/tickettransfer.h"
#include "unit/unitfileoperations.h"
#include "unit/unittransfer.h"

#include "demo.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <csignal>

namespace cli {

namespace {

// Codes that say the input was wrong, not the printer.
bool isInputCode(int code)
{
    return (code >= msg::BadDrive && code <= msg::NotMessageFile) ||
           (code >= msg::OutOfRange && code <= msg::BadControlCode) || code == msg::NothingToRegister ||
           code == msg::BadNumber || code == msg::BadMagnification || code == msg::EnterSaveContent ||
           (code >= msg::BadDecimalPoint && code <= msg::ChoosePrinter) || code == msg::BadUserId ||
           code == msg::UserIdInUse;
}

QString oneLine(const QString &text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.trimmed();
}

QString answerName(Answer a)
{
    switch (a) {
    case Answer::Ok:
        return QStringLiteral("ok");
    case Answer::Cancel:
        return QStringLiteral("cancel");
    case Answer::Abort:
        return QStringLiteral("abort");
    case Answer::Retry:
        return QStringLiteral("retry");
    case Answer::Ignore:
        return QStringLiteral("ignore");
    case Answer::Yes:
        return QStringLiteral("yes");
    case Answer::No:
        return QStringLiteral("no");
    case Answer::None:
        break;
    }
    return QString();
}

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onInterrupt(int) { interrupted = 1; }

// One run: the context, its prompter and what the tool operation reports.
class Run {
public:
    Run(const Request &request, const QString &port, const std::function<void(const QString &)> &echo,
        const std::function<void(const QString &)> &output)
        : req_(request), port_(port), echo_(echo), output_(output)
    {
        auto prompter = std::make_unique<CliPrompter>();
        prompter_ = prompter.get();
        prompter_->yes = request.yes;
        prompter_->echo = [this](const CliMessage &m) {
            if (echo_)
                echo_(QStringLiteral("[%1] %2").arg(m.code).arg(oneLine(m.text)) +
                      (m.declined ? QStringLiteral(" → --yes がないため「いいえ」") : QString()));
        };
        auto link = std::make_unique<MappedSerialLink>();
        link_ = link.get();
        if (!request.trace.isEmpty())
            link->setTrace(std::make_unique<TrafficTrace>(request.trace));
        else
            link->setTrace(TrafficTrace::fromEnvironment());
        const QString folder = resolveProgramFolder();
        ctx_ =
            std::make_unique<AppContext>(std::move(prompter), std::make_unique<LibraryPortIo>(folder), std::move(link));
        ctx_->state.programFolder = folder;
        sim::attachDemoPrinters(*link_, ctx_->state);
    }

    Outcome run()
    {
        Outcome out;
        out.port = port_.isEmpty() ? QStringLiteral("COM%1").arg(ctx_->state.output.comPort) : port_;
        Status status = Done;
        if (!configure(out.port))
            status = BadInput;
        else
            status = dispatch();
        finish(out, status);
        ctx_->channel().closeAndRestore();
        return out;
    }

private:
    // ---- the context as the launcher leaves it -------------------------
    bool configure(QString &portName)
    {
        AppState &st = ctx_->state;
        st.serialDefaults = ctx_->serial().properties();
        settingsfile::load(st, ctx_->settingsPath());
        st.output.interfaceName = kInterfaceSerial;
        if (!port_.isEmpty()) {
            static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,2})$"),
                                                QRegularExpression::CaseInsensitiveOption);
            const auto m = com.match(port_);
            if (m.hasMatch()) {
                st.output.comPort = qint16(m.captured(1).toInt());
            } else {
                // A device or an emulated printer: the port number stays a
                // low one so that the line checks apply as on COM1.
                st.output.comPort = 1;
                const QString device = port_ == QLatin1String("sim") ? QStringLiteral("sim:") : port_;
                ctx_->serial().setPortResolver([device](int) { return device; });
            }
        }
        portName = port_.isEmpty() ? QStringLiteral("COM%1").arg(st.output.comPort) : port_;
        if (st.output.comPort < 1 || st.output.comPort > 99) {
            note(QStringLiteral("ポート番号が正しくありません: %1").arg(portName));
            return false;
        }
        if (req_.speed > 0)
            st.output.baudText = QStringLiteral("%1bps").arg(req_.speed);
        if (req_.parity >= 0)
            st.output.parity = qint16(req_.parity);
        ctx_->serial().setCommPort(st.output.comPort);
        return true;
    }

    bool openPort(Tool tool)
    {
        ctx_->state.toolState = toolstates::idleState(tool);
        return ctx_->channel().openSerialPort();
    }

    void note(const QString &text)
    {
        notes_ << text;
        summaryNote_ = oneLine(text.section(QLatin1Char('\n'), 0, 0));
        if (echo_)
            echo_(text);
    }

    Status usage(const QString &text)
    {
        note(text);
        return BadInput;
    }

    // The outcome of an operation that returned ok.
    Status judged(bool ok)
    {
        if (ok)
            return Done;
        if (prompter_->declined()) {
            note(QStringLiteral("確認が必要な操作です。--yes を付けると実行します (何も送信していません)。"));
            return BadInput;
        }
        for (const CliMessage &m : prompter_->shown()) {
            if (isInputCode(m.code))
                return BadInput;
        }
        return NotConfirmed;
    }

    bool fileMustExist(const QString &path)
    {
        if (QFileInfo(path).isFile())
            return true;
        ctx_->messenger().showCatalogMessage(msg::FileMissing);
        return false;
    }

    Status dispatch()
    {
        if (req_.tool == QLatin1String("message"))
            return message();
        if (req_.tool == QLatin1String("unit"))
            return unitTool();
        if (req_.tool == QLatin1String("tester"))
            return tester();
        if (req_.tool == QLatin1String("monitor"))
            return monitor();
        if (req_.tool == QLatin1String("finger"))
            return finger();
        if (req_.tool == QLatin1String("ticket"))
            return ticketTool();
        return usage(QStringLiteral("%1 はまだコマンドラインから使えません。").arg(req_.tool));
    }

    // ---- message ---------------------------------------------------------
    Status message()
    {
        const QString &op = req_.operation;
        const QStringList &a = req_.args;
        struct Shape {
            const char *name;
            int args; // FILE and/or N
        };
        static const Shape shapes[] = {{"register", 2},   {"register-all", 1}, {"read-all", 1},  {"delete", 1},
                                       {"test-print", 1}, {"clear-all", 0},    {"print-all", 0}, {"diff", 1}};
        const Shape *shape = nullptr;
        for (const Shape &s : shapes) {
            if (op == QLatin1String(s.name))
                shape = &s;
        }
        if (!shape)
            return usage(QStringLiteral("message の OPERATION が正しくありません: %1").arg(op));
        if (a.size() != shape->args)
            return usage(toolHelp(QStringLiteral("message")));

        MessageForm form;
        const bool withFile = op == QLatin1String("register") || op == QLatin1String("register-all") ||
                              op == QLatin1String("read-all") || op == QLatin1String("diff");
        if (withFile) {
            form.fileName = QFileInfo(a[0]).absoluteFilePath();
            if (op != QLatin1String("read-all") && !fileMustExist(form.fileName))
                return BadInput;
        }
        if (op == QLatin1String("register") || op == QLatin1String("delete") || op == QLatin1String("test-print"))
            form.numberText = a.last();
        if (op == QLatin1String("register")) {
            // The content of that number, as the window shows it after the
            // file was opened.
            const auto n = number(form.numberText, 1, 255);
            if (!n) {
                ctx_->messenger().showCatalogMessage(msg::OutOfRange);
                return BadInput;
            }
            MsdFile file(form.fileName);
            form.content = file.readText(*n);
        }
        if (op == QLatin1String("read-all") && !QFileInfo::exists(form.fileName))
            prompter_->harmless << msg::AskReadAll; // nothing to overwrite
        if (op == QLatin1String("print-all"))
            prompter_->harmless << msg::AskPrintAll;

        if (!openPort(Tool::Message))
            return PortFailed;
        MessageTransfer transfer(*ctx_);
        int done = 0;
        transfer.showProgress = [&done, this](const MessageForm &f) {
            ++done;
            if (echo_ && !req_.json)
                echo_(QStringLiteral("… No.%1").arg(f.numberText.trimmed()));
        };
        if (op == QLatin1String("register"))
            return judged(transfer.registerOne(form));
        if (op == QLatin1String("register-all"))
            return judged(transfer.registerAll(form));
        if (op == QLatin1String("read-all"))
            return judged(transfer.readAll(form));
        if (op == QLatin1String("delete"))
            return judged(transfer.deleteOne(form));
        if (op == QLatin1String("test-print"))
            return judged(transfer.testPrint(form));
        if (op == QLatin1String("clear-all"))
            return judged(transfer.clearAll());
        if (op == QLatin1String("print-all"))
            return judged(transfer.printAll());
        return diff(transfer, form.fileName);
    }

    // Reads the printer into a file of its own and compares the contents.
    Status diff(MessageTransfer &transfer, const QString &path)
    {
        QTemporaryDir dir;
        MessageForm read;
        read.fileName = dir.filePath(QStringLiteral("printer.msd"));
        prompter_->harmless << msg::AskReadAll;
        if (!transfer.readAll(read))
            return judged(false);
        QString error;
        const auto mine = MsdFile(path).readRecords(MsdFile::kRecordCount, &error);
        const auto theirs = MsdFile(read.fileName).readRecords(MsdFile::kRecordCount, &error);
        if (!mine || !theirs)
            return usage(QStringLiteral("ファイルを読めません: %1").arg(error));
        QJsonArray numbers;
        for (int n = 1; n <= MsdFile::kRecordCount; ++n) {
            const MsdRecord &x = (*mine)[n - 1];
            const MsdRecord &y = (*theirs)[n - 1];
            // Compared as the printer holds them: the display form has more
            // than one spelling of a byte (a typed blank and "^").
            const auto held = [](const MsdRecord &r) {
                return r.occupied() ? notation::convertForPrinter(cp932::decode(r.text)) : QByteArray();
            };
            const QByteArray a = held(x);
            const QByteArray b = held(y);
            if (a == b)
                continue;
            numbers << n;
            const QString what = a.isEmpty()   ? QStringLiteral("プリンタのみ")
                                 : b.isEmpty() ? QStringLiteral("ファイルのみ")
                                               : QStringLiteral("内容が異なる");
            output(QStringLiteral("%1\tNo.%2\t%3").arg(portLabel()).arg(n).arg(what));
        }
        details_.insert(QStringLiteral("differences"), numbers);
        QStringList list;
        for (const QJsonValue &v : numbers)
            list << QString::number(v.toInt());
        summaryNote_ = numbers.isEmpty() ? QStringLiteral("プリンタの内容はファイルと同じです。")
                                         : QStringLiteral("ファイルと異なる番号 %1 件: No.%2")
                                               .arg(numbers.size())
                                               .arg(list.join(QLatin1Char(',')));
        note(summaryNote_);
        return numbers.isEmpty() ? Done : NotConfirmed;
    }

    // ---- unit setting ------------------------------------------------------
    Status unitTool()
    {
        using namespace unit;
        const QString op = req_.operation;
        const QString modelName = req_.opt(QStringLiteral("model")).toUpper();
        const Model model = modelName == QLatin1String("VUX-350Q")  ? Model::Vux
                            : modelName == QLatin1String("UX-350Q") ? Model::Ux
                                                                    : Model::None;
        const bool withFile = op == QLatin1String("read") || op == QLatin1String("register");
        if (!withFile && op != QLatin1String("test-print") && op != QLatin1String("reset-totals"))
            return usage(QStringLiteral("unit の OPERATION が正しくありません: %1").arg(op));
        if (withFile && model == Model::None)
            return usage(QStringLiteral("--model VUX-350Q または --model UX-350Q を指定してください。"));
        if (req_.args.size() != (withFile ? 2 : 0))
            return usage(toolHelp(QStringLiteral("unit")));
        int set = 0;
        int channel = 1;
        UnitForm form;
        if (withFile) {
            form.fileName = QFileInfo(req_.args[0]).absoluteFilePath();
            const auto s = number(req_.args[1], 1, 25);
            const auto c = number(req_.opt(QStringLiteral("channel"), QStringLiteral("1")), 1,
                                  model == Model::Vux ? kVuxChannels : 1);
            if (!s || !c)
                return usage(QStringLiteral("設定番号は 1〜25、チャンネルは VUX-350Q で 1〜8、UX-350Q で 1 です。"));
            set = *s;
            channel = *c;
        }
        launcher::forceUnitToolSettings(ctx_->state);
        if (req_.speed > 0)
            ctx_->state.output.baudText = QStringLiteral("%1bps").arg(req_.speed);
        if (req_.parity >= 0)
            ctx_->state.output.parity = qint16(req_.parity);
        UnitFileOperations files(*ctx_);
        if (op == QLatin1String("register")) {
            if (!fileMustExist(form.fileName))
                return BadInput;
            if (!files.open(form, model, set))
                return judged(false);
        }
        if (!openPort(Tool::Unit))
            return PortFailed;
        UnitTransfer transfer(*ctx_);
        transfer.choose = [model, channel]() -> std::optional<Chosen> { return Chosen{model, channel}; };
        if (op == QLatin1String("test-print"))
            return judged(transfer.testPrint());
        if (op == QLatin1String("reset-totals"))
            return judged(transfer.resetTotals());
        if (op == QLatin1String("register"))
            return judged(transfer.registerChannel(form.settings));
        if (!transfer.read(form.settings))
            return judged(false);
        return judged(files.save(form, model, set));
    }

    // ---- print tester ------------------------------------------------------
    Status tester()
    {
        if (req_.operation != QLatin1String("print") || req_.args.size() != 1)
            return usage(toolHelp(QStringLiteral("tester")));
        TesterForm form;
        form.fileName = QFileInfo(req_.args[0]).absoluteFilePath();
        if (!fileMustExist(form.fileName))
            return BadInput;
        const int modes = int(req_.opts.contains(QStringLiteral("number"))) +
                          int(req_.flags.contains(QStringLiteral("all"))) +
                          int(req_.opts.contains(QStringLiteral("list")));
        if (modes != 1)
            return usage(QStringLiteral("--number N、--all、--list のどれか一つを指定してください。"));
        if (req_.opts.contains(QStringLiteral("number"))) {
            const auto n = number(req_.opt(QStringLiteral("number")), 1, 255);
            if (!n) {
                ctx_->messenger().showCatalogMessage(msg::OutOfRange);
                return BadInput;
            }
            form.outputMode = OutputModes::Selected;
            form.content = MsdFile(form.fileName).readText(*n);
        } else if (req_.flags.contains(QStringLiteral("all"))) {
            form.outputMode = OutputModes::All;
        } else {
            form.outputMode = OutputModes::List;
            form.outputList = req_.opt(QStringLiteral("list"));
        }
        form.continuous = false;
        form.countText = req_.opt(QStringLiteral("count"), QStringLiteral("1"));
        if (!number(form.countText, 1, 32767))
            return usage(QStringLiteral("--count は 1〜32767 です。"));
        if (req_.opts.contains(QStringLiteral("model"))) {
            const PrinterModel *m = printermodels::find(req_.opt(QStringLiteral("model")));
            if (!m) {
                QStringList names;
                for (const PrinterModel &pm : printermodels::all())
                    names << pm.name;
                return usage(QStringLiteral("機種名が正しくありません。次のどれかです: ") +
                             names.join(QStringLiteral(", ")));
            }
            form.model.model = m->name;
        }
        const QString lineEnd = req_.opt(QStringLiteral("line-end"), QStringLiteral("CR")).toUpper();
        form.model.lineEnd = int(kLineEndNames.indexOf(lineEnd));
        if (form.model.lineEnd < 0)
            return usage(QStringLiteral("--line-end は CR、LF、CR+LF のどれかです。"));
        AppState &st = ctx_->state;
        if (req_.flags.contains(QStringLiteral("parallel"))) {
            st.output.interfaceName = kInterfaceParallel;
            launcher::decideParallel(*ctx_);
            if (!st.parallelAvailable)
                return PortFailed;
        }
        if (!openPort(Tool::Tester))
            return PortFailed;
        TesterRun run(*ctx_);
        run.enterTool();
        int badCodeAt = -1;
        const RunResult result = run.start(form, &badCodeAt);
        run.closeTool();
        switch (result) {
        case RunResult::Finished:
            return Done;
        case RunResult::Refused:
            // The run's own input check stopped it.
            judged(false);
            return BadInput;
        case RunResult::NotStarted:
        case RunResult::Stopped:
            break;
        }
        return judged(false);
    }

    // ---- ticket ------------------------------------------------------------------
    Status ticketTool()
    {
        const QString op = req_.operation;
        const QString model = req_.opt(QStringLiteral("model"), QStringLiteral("K-07")).toUpper();
        if (model != QLatin1String("K-07") && model != QLatin1String("K-2200TQ"))
            return usage(QStringLiteral("--model は K-07 または K-2200TQ です。"));
        const bool raw = model == QLatin1String("K-07");
        // The number dialog's ranges: contents, then settings.
        struct Setting {
            const char *name;
            qint16 state;
            int most;
        };
        const Setting settings[] = {{"delete", 615, raw ? 99 : 4},
                                    {"issue-test", 616, raw ? 99 : 4},
                                    {"start-number", 621, 9999},
                                    {"next-number", 622, 9999},
                                    {"select", 623, raw ? 99 : 4}};
        const auto argNumber = [this](int i, int most) { return number(req_.args.value(i), 1, most); };
        const auto tooBig = [this] {
            ctx_->messenger().showCatalogMessage(msg::BadNumber);
            return BadInput;
        };

        if (op == QLatin1String("barcode-height")) {
            // A setting of the tool, kept for the registrations that follow.
            const auto mm = argNumber(0, 12);
            if (req_.args.size() != 1 || !mm || *mm < 5)
                return tooBig();
            QSettings().setValue(QStringLiteral("Cli/TicketBarcodeHeight"), *mm * 8);
            note(QStringLiteral("バーコードの高さを %1 mm にしました。").arg(*mm));
            return Done;
        }
        const Setting *setting = nullptr;
        for (const Setting &st : settings) {
            if (op == QLatin1String(st.name))
                setting = &st;
        }
        const bool transfer = op == QLatin1String("register") || op == QLatin1String("read");
        const bool enable = op == QLatin1String("enable") || op == QLatin1String("disable");
        if (!setting && !transfer && !enable)
            return usage(QStringLiteral("ticket の OPERATION が正しくありません: %1").arg(op));
        if (req_.args.size() != (transfer ? 2 : setting ? 1 : 0))
            return usage(toolHelp(QStringLiteral("ticket")));
        if (op == QLatin1String("delete") && !req_.yes) {
            note(QStringLiteral("発券内容の削除には --yes が必要です (何も送信していません)。"));
            return BadInput;
        }

        TicketForm form;
        form.rawNumberModel = raw;
        int fileNumber = 0;
        int printerNumber = 0;
        if (transfer) {
            form.fileName = QFileInfo(req_.args[0]).absoluteFilePath();
            const auto n = argNumber(1, 99);
            const QString otherName = op == QLatin1String("register") ? QStringLiteral("as") : QStringLiteral("into");
            const auto other = number(req_.opt(otherName, req_.args[1]), 1, 99);
            if (!n || !other)
                return tooBig();
            fileNumber = *n;
            printerNumber = *other;
            if (op == QLatin1String("read"))
                std::swap(fileNumber, printerNumber);
            if (fileNumber > ticket::lastFileNumber(raw) || printerNumber > ticket::lastPrinterNumber(raw))
                return tooBig();
        }
        if (!openPort(Tool::Ticket))
            return PortFailed;
        const std::function<bool()> rawModel = [raw] { return raw; };
        if (setting) {
            const auto n = argNumber(0, setting->most);
            if (!n)
                return tooBig();
            TicketPrinterSettings printer(*ctx_, rawModel);
            ctx_->state.toolState = setting->state;
            return judged(printer.run(*n));
        }
        if (enable) {
            TicketPrinterSettings printer(*ctx_, rawModel);
            ctx_->state.toolState = 624;
            return judged(printer.setIssueEnable(op == QLatin1String("enable")));
        }
        TicketFileOperations files(*ctx_, [&fileNumber]() -> std::optional<int> { return fileNumber; });
        OperationRunner runner(*ctx_);
        TicketTransfer::Hooks hooks;
        hooks.chooseNumber = [&printerNumber]() -> std::optional<int> { return printerNumber; };
        TicketTransfer xfer(*ctx_, runner, hooks);
        if (op == QLatin1String("register")) {
            if (!fileMustExist(form.fileName) || !files.open(form))
                return BadInput;
            const int height = req_.opts.contains(QStringLiteral("barcode-height"))
                                   ? number(req_.opt(QStringLiteral("barcode-height")), 5, 12).value_or(0) * 8
                                   : QSettings().value(QStringLiteral("Cli/TicketBarcodeHeight"), 0).toInt();
            ticket::ContentCheck refused;
            const auto outcome = xfer.registerContent(form, height, &refused);
            if (outcome == TicketTransfer::Outcome::Done)
                return Done;
            if (refused.messageCode == TicketTransfer::kBarcodeHeightRefused) {
                note(TicketTransfer::kNoBarcodeHeight +
                     QStringLiteral(" (コマンドラインでは ticket barcode-height MM か --barcode-height MM)"));
                return BadInput;
            }
            return judged(false);
        }
        int height = 0;
        if (xfer.readContent(form, &height) != TicketTransfer::Outcome::Done)
            return judged(false);
        return judged(files.save(form));
    }

    // ---- fingerprint unit ------------------------------------------------------
    Status finger()
    {
        const QString op = req_.operation;
        static const QStringList ops{QStringLiteral("list"),   QStringLiteral("read-templates"),
                                     QStringLiteral("save"),   QStringLiteral("register-from"),
                                     QStringLiteral("delete"), QStringLiteral("delete-all"),
                                     QStringLiteral("version")};
        if (!ops.contains(op))
            return usage(QStringLiteral("finger の OPERATION が正しくありません: %1").arg(op));
        const bool withFile = op == QLatin1String("save") || op == QLatin1String("register-from");
        if (req_.args.size() != (withFile ? 1 : 0))
            return usage(toolHelp(QStringLiteral("finger")));
        int first = 1;
        int last = fingers::kRows;
        if (req_.opts.contains(QStringLiteral("rows"))) {
            const auto rows = numberRange(req_.opt(QStringLiteral("rows")), 1, fingers::kRows);
            if (!rows)
                return usage(QStringLiteral("--rows は 1〜100 の A-B です。"));
            first = rows->first;
            last = rows->second;
        } else if (op == QLatin1String("delete")) {
            return usage(QStringLiteral("消去する行を --rows A-B で指定してください (全員は delete-all)。"));
        }
        const bool deleting = op == QLatin1String("delete") || op == QLatin1String("delete-all");
        if (deleting && !req_.yes) {
            note(QStringLiteral("指紋データの消去には --yes が必要です (何も送信していません)。"));
            return BadInput;
        }
        const QString path = withFile ? QFileInfo(req_.args[0]).absoluteFilePath() : QString();
        if (op == QLatin1String("register-from") && !fileMustExist(path))
            return BadInput;

        if (!openPort(Tool::Finger))
            return PortFailed;
        FingerUsers users;
        FingerFiles files(ctx_->state.programFolder, ctx_->messenger());
        FingerUnit unit(ctx_->channel(), ctx_->messenger(), users, files);
        unit.status = [this](const QString &text) {
            if (!text.isEmpty() && echo_ && !req_.json)
                echo_(QStringLiteral("… ") + text);
        };
        if (op == QLatin1String("version"))
            return judged(unit.printVersion());
        if (op == QLatin1String("register-from")) {
            const auto rows = files.readFile(users, path);
            if (!rows)
                return BadInput;
            return judged(unit.writeTemplates(first, qMin(last, int(rows->isEmpty() ? 0 : rows->last())),
                                              !FingerFiles::sameFile(path, files.dataFilePath())));
        }
        if (!unit.readRegistrants(op != QLatin1String("list")))
            return judged(false);
        last = qMin(last, users.rowCount());
        if (op == QLatin1String("list")) {
            listRows(users, 1, users.rowCount(), false);
            return Done;
        }
        if (deleting) {
            const DeletePassword password = DeletePassword::load();
            const QString given = req_.opt(QStringLiteral("password"));
            const PasswordInput input = [given](const PasswordPrompt &) -> std::optional<QString> {
                if (given.isEmpty())
                    return std::nullopt;
                return given;
            };
            if (password.asksBeforeDeletion() && given.isEmpty())
                return usage(QStringLiteral("消去パスワードが設定されています。--password で指定してください。"));
            return op == QLatin1String("delete-all") ? judged(unit.deleteUsers(1, fingers::kRows, password, input))
                                                     : judged(unit.deleteUsers(first, last, password, input));
        }
        if (first > last)
            return usage(QStringLiteral("指定の行に登録者がいません。"));
        if (!unit.readTemplates(first, last, op == QLatin1String("save")))
            return judged(false);
        if (op == QLatin1String("read-templates")) {
            listRows(users, first, last, true);
            return Done;
        }
        return saveRows(users, first, last, path);
    }

    void listRows(const FingerUsers &users, int first, int last, bool templates)
    {
        QJsonArray rows;
        for (int row = first; row <= last; ++row) {
            const FingerUser &u = users[row];
            if (!u.hasIds())
                continue;
            QJsonObject o{{QStringLiteral("row"), row},
                          {QStringLiteral("id1"), QString::fromLatin1(u.userId[0])},
                          {QStringLiteral("id2"), QString::fromLatin1(u.userId[1])}};
            QString line = QStringLiteral("%1\t%2\t%3")
                               .arg(row)
                               .arg(QString::fromLatin1(u.userId[0]), QString::fromLatin1(u.userId[1]));
            if (templates) {
                o.insert(QStringLiteral("template1"), int(u.fingerTemplate[0].size()));
                o.insert(QStringLiteral("template2"), int(u.fingerTemplate[1].size()));
                line += QStringLiteral("\t%1\t%2").arg(u.fingerTemplate[0].size()).arg(u.fingerTemplate[1].size());
            }
            rows << o;
            output(line);
        }
        details_.insert(QStringLiteral("rows"), rows);
    }

    // The rows' records, one after the other, as the data file holds them;
    // a file that register-from reads back row by row.
    Status saveRows(const FingerUsers &users, int first, int last, const QString &path)
    {
        QByteArray bytes;
        for (int row = first; row <= last; ++row) {
            if (!users[row].hasIds())
                continue;
            const auto record = fingerrecord::encode(users[row]);
            if (!record)
                return usage(QStringLiteral("No.%1 の指紋データが長すぎて保存できません。").arg(row));
            bytes += *record;
        }
        QString error;
        if (!savefile::replace(path, bytes, &error, FingerFiles::kFilePermissions)) {
            note(QStringLiteral("%1 に保存できませんでした: %2").arg(path, error));
            return BadInput;
        }
        note(QStringLiteral("%1 件を %2 に保存しました。").arg(bytes.size() / fingerrecord::kSize).arg(path));
        return Done;
    }

    // ---- monitor -------------------------------------------------------------
    Status monitor()
    {
        const QString printer = req_.opt(QStringLiteral("printer")).toLower();
        qint16 state = 0;
        auto model = statusrecords::UnitModel::Vux;
        Tool tool = Tool::Ticket;
        if (printer == QLatin1String("ticket")) {
            state = 626;
        } else if (printer == QLatin1String("vux")) {
            state = unit::UnitStates::VuxOutputCheck;
            tool = Tool::Unit;
        } else if (printer == QLatin1String("ux")) {
            state = unit::UnitStates::UxOutputCheck;
            model = statusrecords::UnitModel::Ux;
            tool = Tool::Unit;
        } else {
            return usage(QStringLiteral("--printer ticket、vux、ux のどれかを指定してください。"));
        }
        int seconds = 0;
        if (req_.opts.contains(QStringLiteral("seconds"))) {
            const auto s = number(req_.opt(QStringLiteral("seconds")), 1, 86400 * 365);
            if (!s)
                return usage(QStringLiteral("--seconds は 1 以上の秒数です。"));
            seconds = *s;
        }
        if (tool == Tool::Unit)
            launcher::forceUnitToolSettings(ctx_->state);
        if (req_.speed > 0)
            ctx_->state.output.baudText = QStringLiteral("%1bps").arg(req_.speed);
        if (!openPort(tool))
            return PortFailed;
        ctx_->state.toolState = state;
        OutputMonitor mon(ctx_->state, ctx_->channel().rx());
        mon.start(model);
        QJsonArray records;
        auto show = [&] {
            for (const QString &line : mon.takeLines()) {
                const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
                records << QJsonObject{{QStringLiteral("time"), stamp}, {QStringLiteral("line"), line}};
                output(stamp + QLatin1Char('\t') + line);
            }
        };
        QObject::connect(&ctx_->receiver(), &Receiver::bytesFramed, &ctx_->receiver(), [&] {
            mon.collect();
            show();
        });
        interrupted = 0;
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        QElapsedTimer t;
        t.start();
        // Woken every 100 ms to notice Ctrl+C and the end of the time.
        eventwait::pumpUntil([&] { return interrupted || (seconds > 0 && t.elapsed() >= qint64(seconds) * 1000); },
                             100);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        mon.collect();
        show();
        mon.stop();
        details_.insert(QStringLiteral("records"), records);
        return Done;
    }

    // ---- outcome -------------------------------------------------------------
    QString portLabel() const
    {
        return port_.isEmpty() ? QStringLiteral("COM%1").arg(ctx_->state.output.comPort) : port_;
    }

    void output(const QString &line)
    {
        if (output_ && !req_.json)
            output_(line);
        lines_ << line;
    }

    void finish(Outcome &out, Status status)
    {
        static const char *const kSummary[] = {"完了", "プリンタが確認しませんでした", "入力または使い方の誤り",
                                               "ポートを開けませんでした"};
        out.status = status;
        out.lines = lines_;
        QString last;
        for (const CliMessage &m : prompter_->shown()) {
            if (m.answer != Answer::Retry)
                last = QStringLiteral("[%1] %2").arg(m.code).arg(oneLine(m.text));
        }
        if (!summaryNote_.isEmpty())
            last = summaryNote_;
        out.summary = QStringLiteral("%1: %2").arg(out.port, QString::fromUtf8(kSummary[status]));
        if (!last.isEmpty())
            out.summary += QStringLiteral(" — ") + last;
        QJsonArray messages;
        for (const CliMessage &m : prompter_->shown()) {
            messages << QJsonObject{{QStringLiteral("code"), m.code},
                                    {QStringLiteral("title"), m.title},
                                    {QStringLiteral("text"), oneLine(m.text)},
                                    {QStringLiteral("answer"), answerName(m.answer)},
                                    {QStringLiteral("declined"), m.declined}};
        }
        QJsonObject json{{QStringLiteral("port"), out.port},
                         {QStringLiteral("tool"), req_.tool},
                         {QStringLiteral("operation"), req_.operation},
                         {QStringLiteral("status"), int(status)},
                         {QStringLiteral("messages"), messages},
                         {QStringLiteral("notes"), QJsonArray::fromStringList(notes_)}};
        for (auto it = details_.constBegin(); it != details_.constEnd(); ++it)
            json.insert(it.key(), it.value());
        out.json = json;
    }

    const Request &req_;
    QString port_;
    std::function<void(const QString &)> echo_;
    std::function<void(const QString &)> output_;
    CliPrompter *prompter_ = nullptr;
    MappedSerialLink *link_ = nullptr;
    std::unique_ptr<AppContext> ctx_;
    QStringList notes_;
    QString summaryNote_; // the last note: it, not the last box, ends the summary
    QStringList lines_;
    QJsonObject details_;
};

} // namespace

Outcome runOnPort(const Request &request, const QString &port, const std::function<void(const QString &)> &echo,
                  const std::function<void(const QString &)> &output)
{
    Run run(request, port, echo, output);
    return run.run();
}

} // namespace cli
