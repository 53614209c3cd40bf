#include "messagewindow.h"

#include "base/catalogcodes.h"
#include "comm/appcontext.h"
#include "comm/outputchannel.h"
#include "contentboxconverter.h"
#include "editingaidwindow.h"
#include "filecopywindow.h"
#include "messageeditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const QColor kLightGreen(144, 238, 144);
const QColor kLawnGreen(124, 252, 0);
const QColor kBlueViolet(138, 43, 226);

const QString kReadCaption = QStringLiteral("プリンタから読込");
const QString kRegisterCaption = QStringLiteral("プリンタに登録");
const QString kReadingCaption = QStringLiteral("読み込み中");
const QString kCancelReadCaption = QStringLiteral("読み込み中止");

constexpr qint16 kReadingAll = 204;
constexpr qint16 kRegisteringAll = 212;
constexpr qint16 kPrintingAll = 213;
constexpr int kMessages = 255;

} // namespace

MessageWindow::MessageWindow(AppContext &ctx, ToolHost &host, QWidget *parent)
    : ToolWindow(ctx, host, QStringLiteral("QLM"), QStringLiteral("WinQLM"), Interfaces::SerialOnly, parent),
      transfer_(ctx)
{
    transfer_.showProgress = [this](const MessageForm &f) { onTransferProgress(f); };
    transfer_.runner().busyChanged = [this](qint16 state, bool on) { onBusyChanged(state, on); };
    ctx.channel().replyArrived = [self = QPointer<MessageWindow>(this)](const QByteArray &frame) {
        if (self)
            self->onReplyFrame(frame);
    };
    blinkTimer()->setObjectName(QStringLiteral("Timer1"));
    buildControls();
    load();
}

MessageWindow::~MessageWindow() = default;

void MessageWindow::buildControls()
{
    QWidget *b = block();
    const auto label = [b](int n, const QString &text, int x, int y, int w, int h) {
        auto *l = new QLabel(text, b);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        l->setGeometry(x, y, w, h);
    };
    label(1, QStringLiteral("ファイル名"), 14, 46, 80, 24);
    label(4, QStringLiteral("保存リスト"), 14, 80, 100, 22);
    label(2, QStringLiteral("メッセージNo."), 128, 80, 90, 24);
    label(3, QStringLiteral("登録内容"), 128, 112, 80, 22);
    label(5, QStringLiteral("(スペースは ^ で表示されます)"), 218, 112, 300, 22);

    editor_ = new MessageEditor(ctx(), b);
    editor_->chooseFile = [this](MsdDialog kind, const QString &current) { return pickFile(kind, current); };
    editor_->confirmDiscard = [this] { return confirmDiscard(); };
    editor_->fileBox()->setGeometry(96, 46, 466, 24);
    editor_->saveList()->setGeometry(14, 102, 100, 336);
    editor_->numberBox()->setGeometry(218, 80, 64, 24);
    editor_->contentBox()->setGeometry(128, 134, 524, 220);

    // File row, printer rows, then the tools.
    browseButton_ = addCommand(14, QStringLiteral("参照"), 568, 44, 84);
    openButton_ = addCommand(1, QStringLiteral("ファイルを開く"), 128, 364, 127);
    saveButton_ = addCommand(2, QStringLiteral("ファイルに保存"), 260, 364, 127);
    deleteFileButton_ = addCommand(3, QStringLiteral("ファイルから削除"), 392, 364, 127);
    copyButton_ = addCommand(8, QStringLiteral("ファイルの複写"), 524, 364, 128);
    readButton_ = addCommand(4, kReadCaption, 128, 408, 127);
    registerButton_ = addCommand(5, kRegisterCaption, 260, 408, 127);
    deleteButton_ = addCommand(6, QStringLiteral("プリンタから削除"), 392, 408, 127);
    testPrintButton_ = addCommand(7, QStringLiteral("印字テスト"), 524, 408, 128);
    clearAllButton_ = addCommand(11, QStringLiteral("全消去"), 128, 446, 127);
    registerAllButton_ = addCommand(12, QStringLiteral("全登録"), 260, 446, 127);
    printAllButton_ = addCommand(13, QStringLiteral("全印字"), 392, 446, 127);
    settingsButton_ = addCommand(10, QStringLiteral("出力I/F詳細"), 524, 446, 128);
    aidButton_ = addCommand(15, QStringLiteral("文章作成補助"), 14, 446, 100);
    menuButton_ = addCommand(9, QStringLiteral("メニューへ戻る"), 524, 490, 128);

    clearAllButton_->setToolTip(QStringLiteral("プリンタに登録してあるメッセージを全て消去します"));
    registerAllButton_->setToolTip(QStringLiteral("ファイル内の全てのメッセージをプリンタに登録します"));
    printAllButton_->setToolTip(QStringLiteral("プリンタに登録してあるメッセージを全て印字します"));
    settingsButton_->setToolTip(QStringLiteral("通信用プロトコルの詳細を表示します"));
    aidButton_->setToolTip(QStringLiteral("制御コードを入力します"));

    connect(browseButton_, &QPushButton::clicked, editor_, &MessageEditor::browse);
    connect(openButton_, &QPushButton::clicked, editor_, &MessageEditor::openFile);
    connect(saveButton_, &QPushButton::clicked, editor_, &MessageEditor::saveFile);
    connect(deleteFileButton_, &QPushButton::clicked, editor_, &MessageEditor::deleteFile);
    connect(copyButton_, &QPushButton::clicked, this,
            [this] { adopt(FileCopyWindow::showFor(this, ctx(), fileCopy_)); });
    connect(readButton_, &QPushButton::clicked, this, &MessageWindow::readAll);
    connect(registerButton_, &QPushButton::clicked, this, &MessageWindow::onRegisterClicked);
    connect(deleteButton_, &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        transfer_.deleteOne(f);
    });
    connect(testPrintButton_, &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        transfer_.testPrint(f);
    });
    connect(clearAllButton_, &QPushButton::clicked, this, [this] { transfer_.clearAll(); });
    connect(registerAllButton_, &QPushButton::clicked, this, &MessageWindow::registerAll);
    connect(printAllButton_, &QPushButton::clicked, this, [this] { transfer_.printAll(); });
    connect(settingsButton_, &QPushButton::clicked, this, &MessageWindow::showSettings);
    connect(aidButton_, &QPushButton::clicked, this, &MessageWindow::showEditingAid);
    connect(menuButton_, &QPushButton::clicked, this, &MessageWindow::backToMenu);

    addFileToolbar(editor_->fileBox(), {[this] { editor_->openFile(); }, [this] { editor_->saveFile(); },
                                        [this] { editor_->printList(); }, [this] { editor_->deleteFile(); }});
}

MessageForm MessageWindow::form() const { return editor_->form(); }

void MessageWindow::showForm(const MessageForm &f) { editor_->showForm(f); }

void MessageWindow::onRegisterClicked()
{
    if (reading_) {
        transfer_.cancelRead();
        return;
    }
    MessageForm f = form();
    int badCode = -1;
    transfer_.registerOne(f, &badCode);
    if (badCode >= 0)
        editor_->content().placeCaret(badCode);
}

void MessageWindow::showEditingAid()
{
    if (!aid_) {
        aid_ = new EditingAidWindow(
            [this](const QString &text) {
                // The box's own cursor: the selection goes, the caret
                // follows the conversion.
                editor_->contentBox()->insertPlainText(text);
                editor_->contentBox()->setFocus();
            },
            this);
        aid_->setAttribute(Qt::WA_DeleteOnClose);
        adopt(aid_);
    }
    aid_->show();
    aid_->raise();
}

bool MessageWindow::hasUnsavedEdits() const { return editor_->hasUnsavedEdits(); }

void MessageWindow::readAll()
{
    // The read fills the boxes from the file it writes.
    if (!confirmDiscard())
        return;
    MessageForm f = form();
    const bool read = transfer_.readAll(f);
    showForm(f);
    if (read)
        editor_->markClean();
}

void MessageWindow::registerAll()
{
    // Register all shows each message of the file in the boxes.
    if (!confirmDiscard())
        return;
    const QString before = form().content;
    MessageForm f = form();
    int badCode = -1;
    transfer_.registerAll(f, &badCode);
    showForm(f);
    if (f.content != before)
        editor_->markClean();
    if (badCode >= 0)
        editor_->content().placeCaret(badCode);
}

void MessageWindow::onTransferProgress(const MessageForm &f)
{
    showForm(f);
    if (ctx().state.toolState == kRegisteringAll && !f.savedNumbers.isEmpty()) {
        const int index = int(f.savedNumbers.indexOf(f.numberText.toInt()));
        showProgress(index + 1, int(f.savedNumbers.size()));
    }
}

void MessageWindow::onReplyFrame(const QByteArray &frame)
{
    // Message frames come in ascending number: DC3, letter, number, ...
    if (!reading_ || frame.size() < 4 || frame.at(0) != 0x13)
        return;
    showProgress(quint8(frame.at(2)), kMessages);
}

void MessageWindow::onBusyChanged(qint16 state, bool on)
{
    if (!on)
        endProgress();
    else if (state == kReadingAll)
        showProgress(0, kMessages);
    else if (state == kPrintingAll)
        showProgress(0, 0); // the printer says nothing until it is done
    if (state == kReadingAll)
        setReadingMode(on);
    else if (state == kPrintingAll)
        setPrintAllMode(on);
    else
        setBusy(on);
}

void MessageWindow::setReadingMode(bool on)
{
    reading_ = on;
    readButton_->setText(on ? kReadingCaption : kReadCaption);
    registerButton_->setText(on ? kCancelReadCaption : kRegisterCaption);
    setBusy(on, {registerButton_}, {{readButton_, kLightGreen}, {registerButton_, kLawnGreen, Qt::white, true}});
}

void MessageWindow::setPrintAllMode(bool on) { setBusy(on, {}, {{printAllButton_, kBlueViolet}}); }
