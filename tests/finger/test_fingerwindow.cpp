// The fingerprint manager's window, its ID dialog and sub menu, clicked by
// object name against the emulated fingerprint unit.
#include "fingertest.h"
#include "support/dialogsteps.h"
#include "support/printercontext.h"

#include "base/catalogcodes.h"
#include "base/cp932.h"
#include "finger/fingerfiles.h"
#include "finger/ui/fingernumdialog.h"
#include "finger/ui/fingerwindow.h"
#include "fingerprinter.h"
#include "shell/ui/toolhost.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

struct FakeHost : ToolHost {
    void returnToMenu() override { ++returned; }
    void quitFromTool() override {}
    void openHelp() override {}
    void openSettings(QWidget *, bool) override {}
    void closeSettings() override {}
    int returned = 0;
};

const QString kNotLoaded = QStringLiteral("登録者が読込まれていません。");
const QString kNoUser = QStringLiteral("ユーザーが選択されていません。");

QByteArray idOf(char letter, int n) { return QByteArray(1, letter) + QByteArray::number(n).rightJustified(6, '0'); }

class FingerWindowTest : public FingerTest {
protected:
    FingerWindowTest()
    {
        pc.ctx->state.programFolder = dir.filePath("program");
        QDir().mkpath(dir.filePath("program"));
        pc.ctx->state.toolState = FingerWindow::kIdle;
        window = std::make_unique<FingerWindow>(*pc.ctx, host);
        fingerunit::Times t;
        t.openCloseMs = t.listSilenceMs = t.templateMs = t.deleteMs = t.registerStartMs = t.writeReplyMs = t.versionMs =
            300;
        t.registerReadMs = 1000;
        t.settleMs = 0;
        window->unit().setTimes(t);
        window->show();
    }

    sim::FingerPrinter &printer() { return *pc.printer<sim::FingerPrinter>(); }
    template <typename T = QWidget> T *child(const QString &name, QObject *in = nullptr)
    {
        T *w = (in ? in : window.get())->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QPushButton *command(int index) { return child<QPushButton>(QStringLiteral("Command1_%1").arg(index)); }
    static void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5)); }
    QTableWidget *grid() { return child<QTableWidget>("FGrid1"); }
    QString cell(int row, int column) { return grid()->item(row - 1, column)->text(); }
    QString lastText() const { return pc.prompter->requests.isEmpty() ? QString() : pc.prompter->requests.back().text; }
    QList<int> codes() const
    {
        QList<int> out = pc.prompter->codes();
        out.removeAll(0);
        return out;
    }
    // The unit holds n users; the window reads their list.
    void loadRegistrants(int n)
    {
        printer().fill(n);
        pc.prompter->script({Answer::Ok});
        click(command(2));
        ASSERT_TRUE(window->users().registrantsLoaded());
        pc.prompter->clear();
    }
    QByteArray record(const QByteArray &id1, const QByteArray &id2)
    {
        FingerUser u;
        u.userId = {id1, id2};
        u.fingerTemplate = {sim::FingerPrinter::templateFor(id1), sim::FingerPrinter::templateFor(id2)};
        return *fingerrecord::encode(u);
    }
    QByteArray records(int first, int last)
    {
        QByteArray out;
        for (int n = first; n <= last; ++n)
            out += record(idOf('A', n), idOf('B', n));
        return out;
    }
    // Runs steps on a dialog of this name once it shows.
    void onDialog(const QString &name, std::function<void(QWidget *)> steps)
    {
        ::onDialog(window.get(), name, std::move(steps));
    }
    void expectIdle()
    {
        EXPECT_EQ(window->currentRow(), FingerWindow::kHiddenRow);
        EXPECT_EQ(pc.ctx->state.toolState, FingerWindow::kIdle);
        EXPECT_TRUE(command(0)->isEnabled());
    }

    PrinterContext pc{QStringLiteral("finger")};
    FakeHost host;
    std::unique_ptr<FingerWindow> window;
};

} // namespace

TEST_F(FingerWindowTest, CommandsRefuseWithoutRegistrantsOrSelectedUser)
{
    const struct {
        int button;
        bool loaded;
        std::initializer_list<Answer> answers;
        QString told;
    } rows[] = {
        {1, false, {}, kNotLoaded},             // save
        {3, false, {}, kNotLoaded},             // read templates
        {5, false, {}, kNotLoaded},             // delete
        {6, false, {}, kNotLoaded},             // ticket test
        {1, true, {Answer::Ok}, kNoUser},       // save: nothing selected after the question
        {3, true, {Answer::Ok}, kNoUser},       // read templates
        {5, true, {Answer::Ok}, kNoUser},       // delete
        {2, true, {Answer::Cancel}, QString()}, // read registrants: cancelled at the question
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.button);
        if (r.loaded)
            loadRegistrants(2);
        const int sentBefore = int(printer().commands().size());
        pc.prompter->clear();
        pc.prompter->script(r.answers);
        click(command(r.button));
        if (!r.told.isEmpty()) {
            EXPECT_EQ(lastText(), r.told);
        }
        EXPECT_EQ(printer().commands().size(), sentBefore) << "nothing for the unit";
        EXPECT_EQ(printer().registrants().size(), r.loaded ? 2 : 0);
        expectIdle();
    }
}

TEST_F(FingerWindowTest, SelectionDecidesDataFileOrSingleUserFiles)
{
    const struct {
        int loaded;
        int first;
        int last;
        bool dataFileBefore;
        Answer overwrite;
        int dataRecords; // -1: file untouched
        QList<int> singleFiles;
    } rows[] = {
        {5, 1, 5, false, Answer::None, 5, {}},
        {5, 2, 5, false, Answer::None, -1, {2, 3, 4, 5}},
        {1, 1, 1, false, Answer::None, -1, {1}},
        {5, 1, 7, false, Answer::None, 5, {}}, // the empty row ends the run
        // Saving all again replaces the file: each row once.
        {5, 1, 5, true, Answer::Yes, 5, {}},
        {5, 1, 5, true, Answer::No, -1, {}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 loaded, %2-%3").arg(r.loaded).arg(r.first).arg(r.last).toStdString());
        QDir(window->files().folderPath()).removeRecursively();
        QDir().mkpath(window->files().folderPath());
        const QByteArray before = records(1, 3);
        if (r.dataFileBefore)
            writeBytes(window->files().dataFilePath(), before);
        loadRegistrants(r.loaded);
        window->selectRows(r.first, r.last);
        pc.prompter->script({Answer::Ok});
        if (r.overwrite != Answer::None)
            pc.prompter->script({r.overwrite});
        click(command(1));

        const QString data = window->files().dataFilePath();
        if (r.dataRecords < 0) {
            EXPECT_EQ(QFileInfo::exists(data), r.dataFileBefore);
            if (r.dataFileBefore) {
                EXPECT_EQ(bytesOf(data), before);
            }
        } else {
            EXPECT_EQ(bytesOf(data), records(1, r.dataRecords));
        }
        QList<int> singles;
        for (int row = 1; row <= fingers::kRows; ++row) {
            if (QFileInfo::exists(window->files().singleUserPath(row))) {
                singles << row;
                EXPECT_EQ(bytesOf(window->files().singleUserPath(row)), records(row, row));
            }
        }
        EXPECT_EQ(singles, r.singleFiles);
        const bool saved = r.dataRecords >= 0 || !r.singleFiles.isEmpty();
        EXPECT_EQ(codes().contains(msg::FingerFileSaved), saved);
        expectIdle();
        pc.prompter->clear();
    }
}

TEST_F(FingerWindowTest, BrowseAndOpenSeveralSingleUserFiles)
{
    const QString folder = window->files().folderPath();
    QDir().mkpath(folder);
    writeBytes(window->files().singleUserPath(2), record(idOf('A', 2), idOf('B', 2)));
    const QByteArray kana = cp932::encode(QStringLiteral("ｱｲｳ1234"));
    writeBytes(window->files().singleUserPath(5), record(idOf('A', 5), kana));
    window->chooseFiles = [&] {
        return QStringList{window->files().singleUserPath(2), window->files().singleUserPath(5)};
    };
    click(child<QPushButton>("Command2"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(),
              QDir::toNativeSeparators(folder + "/") + "複数ファイルが選択されています。");

    click(command(0));
    EXPECT_EQ(codes(), QList<int>{msg::FingerFileRead});
    EXPECT_EQ(cell(2, 1), "A000002");
    EXPECT_EQ(cell(5, 2), QStringLiteral("ｱｲｳ1234")) << "half-width katakana as the user typed it";
    EXPECT_EQ(cell(3, 1), "");
    EXPECT_EQ(window->users()[5].fingerTemplate[1], sim::FingerPrinter::templateFor(kana));
    EXPECT_FALSE(window->users().registrantsLoaded()) << "a file is not the printer's list";

    // One file again: its path, read as a data file.
    window->chooseFiles = [&] { return QStringList{window->files().singleUserPath(5)}; };
    click(child<QPushButton>("Command2"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(window->files().singleUserPath(5)));
    expectIdle();
}

TEST_F(FingerWindowTest, RegistrationDialogChecksTheIdsBeforeAnythingIsSent)
{
    loadRegistrants(2);
    QColor duplicateColour;
    onDialog("FingerNum", [&](QWidget *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("指紋の登録"));
        auto *id1 = child<QLineEdit>("Text2_0", d);
        auto *id2 = child<QLineEdit>("Text2_1", d);
        id1->setText("NEW0001");
        id2->setText("ABC12"); // too short
        click(child<QPushButton>("Command1", d));
        id2->setText("B000002"); // finger 2 of row 2
        click(child<QPushButton>("Command1", d));
        duplicateColour = id2->palette().color(QPalette::Text);
        QTest::keyClick(id2, Qt::Key_End);
        EXPECT_EQ(id2->palette().color(QPalette::Text), QColor(Qt::black));
        id2->setText("NEW0002");
        // Enter in the first box moves on, in the second presses OK.
        id1->setFocus();
        QTest::keyClick(id1, Qt::Key_Return);
        EXPECT_EQ(d->focusWidget(), id2); // also when the dialog is not the active window
        QTest::keyClick(id2, Qt::Key_Return);
    });
    pc.prompter->script({Answer::Ok, Answer::Ok, Answer::Ok}); // 930, 931, then the six readings
    click(command(4));
    EXPECT_EQ(codes().mid(0, 2), (QList<int>{msg::BadUserId, msg::UserIdInUse}));
    EXPECT_EQ(duplicateColour, QColor(255, 0, 0));
    ASSERT_EQ(printer().registrants().size(), 3);
    EXPECT_EQ(printer().registrants().at(2).id[1], "NEW0002");
    EXPECT_EQ(cell(3, 1), "NEW0001");
    EXPECT_EQ(bytesOf(window->files().dataFilePath()), record("NEW0001", "NEW0002"));
    EXPECT_EQ(codes().back(), msg::FingerRegistered);
    expectIdle();
}

TEST_F(FingerWindowTest, CancelledRegistrationSendsNothing)
{
    loadRegistrants(1);
    onDialog("FingerNum", [&](QWidget *d) { click(child<QPushButton>("Command2", d)); });
    const auto sent = printer().commands().size();
    click(command(4));
    EXPECT_EQ(printer().commands().size(), sent);
    expectIdle();
}

TEST_F(FingerWindowTest, TicketTestBoxHoldsTheSlipNumber)
{
    const struct {
        QString text;
        int clicksUp;
        int choice;
    } rows[] = {{"1", 0, 1}, {"1", 5, 4}, {"3", 0, 3}, {"100", 0, 100}, {"", 0, 0}, {"x", 0, 0}};
    for (const auto &r : rows) {
        FingerNumDialog d(FingerNumDialog::Mode::TicketTest, window->users(), pc.ctx->messenger(), window.get());
        EXPECT_EQ(d.windowTitle(), QStringLiteral("発券テスト"));
        auto *box = child<QLineEdit>("Text1", &d);
        EXPECT_EQ(box->text(), "1");
        box->setText(r.text);
        for (int i = 0; i < r.clicksUp; ++i)
            child<QWidget>("UpDown1Up", &d)->metaObject()->invokeMethod(child<QWidget>("UpDown1Up", &d), "click");
        EXPECT_EQ(d.choice(), r.choice) << r.text.toStdString();
    }
}

TEST_F(FingerWindowTest, SubMenuOneAtATimeAndClosedByTheNextCommand)
{
    click(command(7));
    click(command(7));
    EXPECT_EQ(window->findChildren<QWidget *>("FingerSub").size(), 1);
    QWidget *sub = window->findChild<QWidget *>("FingerSub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->windowTitle(), QStringLiteral("Fingerサブメニュー"));
    QPointer<QWidget> guard(sub);
    click(command(3)); // refused, but the sub menu goes first
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
}

TEST_F(FingerWindowTest, PasswordFromTheSubMenuSavedOnlyOnTheWayBackToMenu)
{
    window->passwordInput = [](const PasswordPrompt &) { return std::optional<QString>(QStringLiteral("k3y")); };
    click(command(7));
    QWidget *sub = window->findChild<QWidget *>("FingerSub");
    ASSERT_NE(sub, nullptr);
    click(child<QPushButton>("Command1_5", sub));
    EXPECT_EQ(window->password().text(), "k3y");
    EXPECT_EQ(DeletePassword::load().text(), "") << "not written yet";
    click(command(10));
    EXPECT_EQ(host.returned, 1);
    EXPECT_EQ(DeletePassword::load().text(), "k3y");
}

TEST_F(FingerWindowTest, FingerCheckMarksTheCellUntilTheNextCommand)
{
    loadRegistrants(3);
    click(command(7));
    QWidget *sub = window->findChild<QWidget *>("FingerSub");
    ASSERT_NE(sub, nullptr);
    auto *poll = new QTimer(window.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll] {
        if (printer().readingOpen() && printer().placeFinger(1, "B000002"))
            poll->stop();
    });
    poll->start();
    pc.prompter->script({Answer::Ok});
    click(child<QPushButton>("Command1_0", sub));
    EXPECT_EQ(codes(), (QList<int>{msg::AskCheckRegistered, msg::FingerIsRegistered}));
    EXPECT_EQ(grid()->item(1, 2)->background().color(), QColor(255, 255, 0));
    click(command(3)); // refused without selection, the mark is gone anyway
    EXPECT_NE(grid()->item(1, 2)->background().color(), QColor(255, 255, 0));
}

TEST_F(FingerWindowTest, ReregisterNeedsAFileOpenedFirst)
{
    loadRegistrants(1);
    click(command(7));
    QWidget *sub = window->findChild<QWidget *>("FingerSub");
    ASSERT_NE(sub, nullptr);
    const auto sent = printer().commands().size();
    click(child<QPushButton>("Command1_2", sub));
    EXPECT_EQ(lastText(), QStringLiteral("先にファイルを開いて下さい。"));
    EXPECT_EQ(printer().commands().size(), sent);
    EXPECT_TRUE(child<QPushButton>("Command1_2", sub)->isEnabled());
}

TEST_F(FingerWindowTest, EscOnTheWindowStopsTheFingerWait)
{
    loadRegistrants(1);
    printer().setPlaced(sim::FingerPrinter::Placed::Nothing);
    window->askIds = [] { return std::optional<std::array<QByteArray, 2>>({"NEW0001", "NEW0002"}); };
    QString countdown;
    auto *poll = new QTimer(window.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll, &countdown] {
        auto *box = window->findChild<QLineEdit *>("Text2");
        if (!box || !box->isVisible())
            return;
        poll->stop();
        countdown = box->text();
        QTest::keyClick(grid(), Qt::Key_Escape);
    });
    poll->start();
    pc.prompter->script({Answer::Ok});
    QElapsedTimer t;
    t.start();
    click(command(4));
    EXPECT_LT(t.elapsed(), 900) << "ended before the wait ran out";
    EXPECT_EQ(countdown, "01");
    EXPECT_EQ(printer().registrants().size(), 1);
    EXPECT_FALSE(child<QLineEdit>("Text2")->isVisible());
    expectIdle();
}

TEST_F(FingerWindowTest, ToolbarListPrintSendsTheSlipOfTheList)
{
    loadRegistrants(3);
    auto *print = window->findChild<QAction *>("Button4");
    ASSERT_NE(print, nullptr);
    print->trigger();
    // The emulator closes a job after a quiet gap.
    QTest::qWait(3 * sim::FingerPrinter::kJobGapMs);
    ASSERT_FALSE(printer().jobs().isEmpty());
    // Printed upside down: the last row comes first.
    const QByteArray job = printer().jobs().back().bytes;
    EXPECT_GE(job.indexOf("A000003"), 0);
    EXPECT_LT(job.indexOf("A000003"), job.indexOf("A000001"));
    expectIdle();
}

TEST_F(FingerWindowTest, EscEndsTheTicketTestWithItsNotice)
{
    loadRegistrants(2);
    window->askChoice = [] { return std::optional<int>(1); };
    auto *poll = new QTimer(window.get());
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll] {
        if (!printer().readingOpen())
            return;
        poll->stop();
        QTimer::singleShot(50, window.get(), [this] { QTest::keyClick(grid(), Qt::Key_Escape); });
    });
    poll->start();
    click(command(6));
    EXPECT_TRUE(codes().contains(msg::FingerTestDone));
    expectIdle();
}

TEST_F(FingerWindowTest, TicketTestPrintsASlipForEachRecognisedFinger)
{
    loadRegistrants(2);
    window->askChoice = [] { return std::optional<int>(1); };
    int placed = 0;
    auto *poll = new QTimer(window.get());
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll, &placed] {
        if (!printer().readingOpen())
            return;
        if (placed == 0 && printer().placeFinger(0, "A000001"))
            ++placed;
        else if (placed == 1 && printer().jobs().size() == 1 && printer().placeFinger(1, "B000002"))
            ++placed;
        else if (placed == 2 && printer().jobs().size() == 2) {
            poll->stop();
            QTest::keyClick(grid(), Qt::Key_Escape);
        }
    });
    poll->start();
    click(command(6));
    EXPECT_EQ(placed, 2);
    EXPECT_EQ(printer().jobs().size(), 2);
    EXPECT_EQ(codes().back(), msg::FingerTestDone);
    expectIdle();
}

TEST_F(FingerWindowTest, DeleteAsksThePasswordThatWasSet)
{
    const struct {
        QString password;
        QStringList entries;
        bool deleted;
    } rows[] = {
        {"", {}, true},
        {"pw", {"pw"}, true},
        {"pw", {"PW", "pw"}, true},
        {"pw", {"x", "y"}, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.entries.join(',').toStdString());
        loadRegistrants(3);
        window->passwordInput = [&](const PasswordPrompt &) { return std::optional<QString>(r.password); };
        click(command(7));
        click(child<QPushButton>("Command1_5", window->findChild<QWidget *>("FingerSub")));
        ASSERT_EQ(window->password().text(), r.password);
        QStringList entries = r.entries;
        window->passwordInput = [&](const PasswordPrompt &) -> std::optional<QString> {
            if (entries.isEmpty())
                return std::nullopt;
            return entries.takeFirst();
        };
        window->selectRows(2, 2);
        pc.prompter->script({Answer::Ok});
        click(command(5));
        EXPECT_TRUE(entries.isEmpty());
        EXPECT_EQ(printer().registrants().size(), r.deleted ? 2 : 3);
        EXPECT_EQ(cell(2, 1), r.deleted ? "A000003" : "A000002");
        expectIdle();
    }
}

TEST_F(FingerWindowTest, ReregisterWritesTheOpenedFileBackToTheUnit)
{
    // From a single-user file the row joins the data file; from the data
    // file itself it is there already and must not be there twice.
    for (const bool fromDataFile : {false, true}) {
        SCOPED_TRACE(fromDataFile);
        QDir().mkpath(window->files().folderPath());
        const QString data = window->files().dataFilePath();
        QFile::remove(data);
        const QString path = fromDataFile ? data : window->files().singleUserPath(1);
        writeBytes(path, record(idOf('A', 1), idOf('B', 1)));
        printer().clearRegistrants();
        child<QLineEdit>("Text1")->setText(path);
        click(command(0));
        ASSERT_EQ(cell(1, 2), "B000001");

        window->selectRows(1, 1);
        click(command(7));
        pc.prompter->script({Answer::Ok});
        click(child<QPushButton>("Command1_2", window->findChild<QWidget *>("FingerSub")));
        ASSERT_EQ(printer().registrants().size(), 1);
        EXPECT_EQ(printer().registrants().at(0).templ[1], sim::FingerPrinter::templateFor("B000001"));
        EXPECT_TRUE(codes().contains(msg::TemplatesRegistered));
        EXPECT_TRUE(window->users().registrantsLoaded()) << "the list is read again";
        EXPECT_EQ(bytesOf(data), records(1, 1));
        expectIdle();
    }
}

TEST_F(FingerWindowTest, FileCopyTakesTheWholeFileEvenAfterAnotherCommand)
{
    QDir().mkpath(window->files().folderPath());
    const QString source = window->files().dataFilePath();
    const QString destination = window->files().folderPath() + "/Copy.msd";
    writeBytes(source, records(1, 3));
    click(command(8));
    QWidget *copy = window->findChild<QWidget *>("FileCopy_");
    ASSERT_NE(copy, nullptr);
    click(command(3)); // refused; the tool is idle again
    ASSERT_EQ(pc.ctx->state.toolState, FingerWindow::kIdle);
    child<QLineEdit>("Text2", copy)->setText(source);
    child<QLineEdit>("Text1", copy)->setText(destination);
    pc.prompter->script({Answer::Yes}); // create the destination
    click(child<QPushButton>("Command1", copy));
    EXPECT_EQ(bytesOf(destination), records(1, 3)) << "fingerprint records are not message records";
}
