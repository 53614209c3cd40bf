#include "clirequest.h"

namespace cli {

namespace {

// Options that take a value; every other "--name" is a flag.
const QSet<QString> kWithValue = {
    QStringLiteral("port"),     QStringLiteral("speed"),   QStringLiteral("parity"),  QStringLiteral("trace"),
    QStringLiteral("model"),    QStringLiteral("as"),      QStringLiteral("into"),    QStringLiteral("channel"),
    QStringLiteral("number"),   QStringLiteral("list"),    QStringLiteral("count"),   QStringLiteral("line-end"),
    QStringLiteral("rows"),     QStringLiteral("printer"), QStringLiteral("seconds"), QStringLiteral("barcode-height"),
    QStringLiteral("password"),
};
const QSet<QString> kFlags = {QStringLiteral("yes"), QStringLiteral("json"), QStringLiteral("help"),
                              QStringLiteral("all"), QStringLiteral("parallel")};

struct ToolHelp {
    const char *tool;
    const char *text;
};

const ToolHelp kToolHelp[] = {
    {"message", "message register FILE N        メッセージNo.Nをファイルから登録\n"
                "message register-all FILE      ファイルの全メッセージを登録 (--yes)\n"
                "message read-all FILE          プリンタの全メッセージをファイルへ (既存ファイルは --yes)\n"
                "message delete N               メッセージNo.Nを削除 (--yes)\n"
                "message test-print N           メッセージNo.Nを印字\n"
                "message clear-all              全消去 (--yes)\n"
                "message print-all              全印字\n"
                "message diff FILE              ファイルと内容の異なる番号を表示 (書込みなし)\n"},
    {"ticket", "ticket --model K-07|K-2200TQ OPERATION\n"
               "  register FILE N [--as M] | read FILE N [--into M] | delete N | issue-test N\n"
               "  | start-number N | next-number N | select N | enable | disable | barcode-height MM\n"
               "  register は --barcode-height MM でも高さを指定できます。削除は --yes が必要。\n"},
    {"unit", "unit --model VUX-350Q|UX-350Q OPERATION\n"
             "  read FILE SET [--channel C]      設定をプリンタから読み、ファイルの設定番号SETへ保存\n"
             "  register FILE SET [--channel C]  ファイルの設定番号SETをプリンタへ登録\n"
             "  test-print | reset-totals (--yes)\n"},
    {"tester", "tester print FILE (--number N | --all | --list 1,3,5-7) [--count N]\n"
               "  [--model NAME] [--line-end CR|LF|CR+LF] [--parallel]\n"},
    {"finger", "finger list | read-templates [--rows A-B] | save FILE [--rows A-B]\n"
               "  | register-from FILE [--rows A-B] | delete --rows A-B | delete-all | version\n"
               "  消去は --yes が必要、消去パスワードがあれば --password PASS\n"},
    {"monitor", "monitor --printer ticket|vux|ux [--seconds S]   状態レコードを時刻付きで表示\n"},
};

} // namespace

bool knownTool(const QString &tool)
{
    for (const ToolHelp &h : kToolHelp) {
        if (tool == QLatin1String(h.tool))
            return true;
    }
    return false;
}

QString toolHelp(const QString &tool)
{
    for (const ToolHelp &h : kToolHelp) {
        if (tool == QLatin1String(h.tool))
            return QStringLiteral("使い方: zentrix-cli [共通オプション] ") + QString::fromUtf8(h.text);
    }
    return programHelp();
}

QString programHelp()
{
    QString text = QStringLiteral(
        "使い方: zentrix-cli [--port P]... [--speed 9600] [--parity none|even|odd] [--yes] [--json]\n"
        "                   [--trace FILE] TOOL OPERATION [ARGS]\n\n"
        "プリンタの操作をウィンドウなしで実行します。\n\n"
        "  --port P     COMn (ポート割当て経由)、デバイスのパス、または sim[:persona] (模擬プリンタ)。\n"
        "               複数指定すると全てのプリンタで同時に実行します。省略時は zentrix.ini の設定。\n"
        "  --speed      通信速度 (bps)。省略時は設定の値。\n"
        "  --parity     none / even / odd。省略時は設定の値。\n"
        "  --yes        上書き・削除・消去などの確認に「はい」と答えます。ないときは送信前に中止します。\n"
        "  --json       結果を JSON で標準出力に出します。\n"
        "  --trace FILE 送受信の全バイトを FILE に記録します。\n\n"
        "TOOL と OPERATION:\n");
    for (const ToolHelp &h : kToolHelp)
        text += QStringLiteral("  ") + QString::fromUtf8(h.text).replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    text =
        text.trimmed() +
        QStringLiteral("\n\n終了コード: 0 完了、1 プリンタが確認しない (diff では差異あり)、2 使い方または入力の誤り、"
                       "3 ポートを開けない。\n"
                       "メッセージはカタログ番号付きで標準エラーに出ます。\n");
    return text;
}

Parsed parse(const QStringList &arguments)
{
    Parsed out;
    Request r;
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            positional << a;
            continue;
        }
        QString name = a.mid(2);
        QString value;
        bool hasValue = false;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        if (kWithValue.contains(name)) {
            if (!hasValue) {
                if (i + 1 >= arguments.size()) {
                    out.error = QStringLiteral("--%1 に値がありません。").arg(name);
                    return out;
                }
                value = arguments[++i];
            }
            if (name == QLatin1String("port"))
                r.ports << value;
            else
                r.opts.insert(name, value);
        } else if (kFlags.contains(name) && !hasValue) {
            r.flags.insert(name);
        } else {
            out.error = QStringLiteral("不明なオプションです: %1").arg(a);
            return out;
        }
    }
    r.yes = r.flags.remove(QStringLiteral("yes"));
    r.json = r.flags.remove(QStringLiteral("json"));
    r.help = r.flags.remove(QStringLiteral("help"));
    r.trace = r.opts.take(QStringLiteral("trace"));
    if (r.opts.contains(QStringLiteral("speed"))) {
        const auto speed = number(r.opts.take(QStringLiteral("speed")), 50, 4000000);
        if (!speed) {
            out.error = QStringLiteral("--speed の値が正しくありません。");
            return out;
        }
        r.speed = *speed;
    }
    if (r.opts.contains(QStringLiteral("parity"))) {
        const QString p = r.opts.take(QStringLiteral("parity")).toLower();
        const QStringList names{QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd")};
        r.parity = int(names.indexOf(p));
        if (r.parity < 0) {
            out.error = QStringLiteral("--parity は none / even / odd のいずれかです。");
            return out;
        }
    }
    if (!positional.isEmpty())
        r.tool = positional.takeFirst();
    if (!positional.isEmpty())
        r.operation = positional.takeFirst();
    r.args = positional;
    if (!r.help) {
        if (r.tool.isEmpty()) {
            out.error = QStringLiteral("TOOL がありません。");
            return out;
        }
        if (!knownTool(r.tool)) {
            out.error = QStringLiteral("不明な TOOL です: %1").arg(r.tool);
            return out;
        }
        if (r.operation.isEmpty() && r.tool != QLatin1String("monitor")) {
            out.error = QStringLiteral("OPERATION がありません。");
            return out;
        }
    }
    out.request = r;
    return out;
}

QStringList withoutPorts(const QStringList &arguments)
{
    QStringList out;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--port")) {
            ++i;
            continue;
        }
        if (a.startsWith(QLatin1String("--port=")))
            continue;
        out << a;
    }
    return out;
}

std::optional<int> number(const QString &text, int lo, int hi)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < lo || n > hi)
        return std::nullopt;
    return n;
}

std::optional<std::pair<int, int>> numberRange(const QString &text, int lo, int hi)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() > 2)
        return std::nullopt;
    const auto a = number(parts[0], lo, hi);
    const auto b = parts.size() == 2 ? number(parts[1], lo, hi) : a;
    if (!a || !b || *a > *b)
        return std::nullopt;
    return std::make_pair(*a, *b);
}

std::optional<QList<int>> numberList(const QString &text, int lo, int hi)
{
    QList<int> out;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const auto range = numberRange(item, lo, hi);
        if (!range)
            return std::nullopt;
        for (int n = range->first; n <= range->second; ++n)
            out << n;
    }
    return out;
}

} // namespace cli
