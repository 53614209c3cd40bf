// Development preview of the output display window before the tools that
// open it exist: an in-process printer sends status records on the
// simulated line while the window shows them.
//
//   outdsp_preview [--state 626|872|873] [--model vux|ux] [--interval ms]
//                  [--screenshot file.png] [--port DEVICE --seconds N]
//
// With --screenshot the window is grabbed once every record is shown and
// the program ends (works on the offscreen platform). With --port the
// records come from a real line instead, e.g. the pseudo-terminal of
// zentrix-printer-sim, and the picture is taken after --seconds.
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "comm/qtseriallink.h"
#include "comm/serialcontrol.h"
#include "comm/simseriallink.h"
#include "comm/ui/outputdisplaywindow.h"
#include "shell/ui/messageboxprompter.h"
#include "support/fakeportio.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

// A printer that only talks: one record per interval from a fixed script.
class StatusSource : public SerialPeer {
public:
    StatusSource(QList<QByteArray> script, int intervalMs) : script_(std::move(script)), intervalMs_(intervalMs) {}
    void bytesFromHost(const QByteArray &) override {}
    void hostOpened() override
    {
        int delay = intervalMs_;
        for (const QByteArray &body : script_) {
            port()->sendToHost(body.left(1) + clock() + body.mid(1) + '\0', delay);
            delay += intervalMs_;
        }
    }
    int count() const { return int(script_.size()); }

private:
    static QByteArray clock() { return QDateTime::currentDateTime().toString(QStringLiteral("ddhhmmss")).toLatin1(); }
    QList<QByteArray> script_;
    int intervalMs_;
};

QList<QByteArray> ticketScript()
{
    return {"Z", "k", "K", "S", "N0041", "s", "x", "X", "N0042", "E", "e", "H", "h", "n", "C", "Q"};
}

QList<QByteArray> unitScript() { return {"Z", "K", "A\r12.5\r-3.08\r100\r", "E", "e", "M", "A\r0.0\r", "k", "Q"}; }

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption stateOption(QStringLiteral("state"), QStringLiteral("tool state"), QStringLiteral("n"),
                                         QStringLiteral("626"));
    const QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("vux or ux"), QStringLiteral("m"),
                                         QStringLiteral("vux"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QStringLiteral("ms between records"),
                                            QStringLiteral("ms"), QStringLiteral("300"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"), QStringLiteral("save a PNG and quit"),
                                        QStringLiteral("file"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("serial device to listen on"),
                                        QStringLiteral("device"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("with --port: when to take the picture"), QStringLiteral("n"),
                                           QStringLiteral("3"));
    parser.addOptions({stateOption, modelOption, intervalOption, shotOption, portOption, secondsOption});
    parser.process(app);

    const auto state = qint16(parser.value(stateOption).toInt());
    const bool unit = state >= 801;
    const QString device = parser.value(portOption);
    std::unique_ptr<SerialLink> link;
    int records = 0;
    if (device.isEmpty()) {
        auto sim = std::make_unique<SimSerialLink>();
        auto source = std::make_unique<StatusSource>(unit ? unitScript() : ticketScript(),
                                                     qMax(1, parser.value(intervalOption).toInt()));
        records = source->count();
        sim->setPeer(std::move(source));
        link = std::move(sim);
    } else {
        link = std::make_unique<QtSerialLink>();
    }
    AppContext ctx(std::make_unique<MessageBoxPrompter>(), std::make_unique<FakePortIo>(), std::move(link));
    ctx.serial().setPortResolver(
        [device](int n) { return device.isEmpty() ? QStringLiteral("sim:COM%1").arg(n) : device; });

    ctx.state.toolState = state;
    OutputDisplayWindow::Options options;
    options.background = QColor(0xE0, 0xF0, 0xFF);
    options.unitModel = parser.value(modelOption).compare(u"ux", Qt::CaseInsensitive) == 0
                            ? statusrecords::UnitModel::Ux
                            : statusrecords::UnitModel::Vux;
    OutputDisplayWindow window(ctx, options);
    window.show();
    if (!ctx.channel().openSerialPort())
        return 1;

    const QString shot = parser.value(shotOption);
    QTimer poll;
    if (!shot.isEmpty() && !device.isEmpty()) {
        QTimer::singleShot(parser.value(secondsOption).toInt() * 1000, &app, [&] {
            const bool saved = window.grab().save(shot);
            std::printf("%lld lines shown; %s %s\n", qlonglong(window.lines().size()),
                        saved ? "saved" : "could not save", qPrintable(shot));
            app.exit(saved ? 0 : 1);
        });
    } else if (!shot.isEmpty()) {
        // Every record has been shown when the last one (always unknown) is.
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            const QStringList lines = window.lines();
            if (lines.isEmpty() || !lines.last().endsWith(QStringLiteral("未確認動作です。")))
                return;
            const bool saved = window.grab().save(shot);
            std::printf("%d records, %lld lines shown; %s %s\n", records, qlonglong(lines.size()),
                        saved ? "saved" : "could not save", qPrintable(shot));
            app.exit(saved ? 0 : 1);
        });
        poll.start(50);
    }
    QObject::connect(&window, &OutputDisplayWindow::closed, &app, [&] {
        std::printf("closed; tool state now %d\n", ctx.state.toolState);
        app.quit();
    });
    const int rc = QApplication::exec();
    return rc;
}
