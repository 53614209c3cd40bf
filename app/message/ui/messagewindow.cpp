#include "messagewindow.h"

#include "comm/appcontext.h"
#include "contentboxconverter.h"
#include "editingaidwindow.h"
#include "filecopywindow.h"
#include "filetoolbar.h"
#include "listprinter.h"
#include "message/numberbox.h"
#include "shell/launcher.h"
#include "shell/ui/toolhost.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

namespace {

constexpr int px(int twips) { return twips / launcher::kTwipsPerPixel; }

const QColor kLightGreen(144, 238, 144);
const QColor kLawnGreen(124, 252, 0);
const QColor kBlueViolet(138, 43, 226);

// Command1..Command15 in order.
const char *const kCaptions[15] = {
    "ファイルを開く", "ファイルに保存", "ファイルから削除", "プリンタから読込", "プリンタに登録", "プリンタから削除",
    "印字テスト",     "ファイルの複写", "メニューへ戻る",   "出力I/F詳細",      "全消去",         "全登録",
    "全印字",         "参照",           "文章作成補助",
};

const QString kReadCaption = QStringLiteral("プリンタから読込");
const QString kRegisterCaption = QStringLiteral("プリンタに登録");
const QString kReadingCaption = QStringLiteral("読み込み中");
const QString kCancelReadCaption = QStringLiteral("読み込み中止");

void paintButton(QPushButton *b, const QColor &colour)
{
    QPalette pal = b->palette();
    pal.setColor(QPalette::Button, colour);
    b->setPalette(pal);
}

} // namespace

MessageWindow::MessageWindow(AppContext &ctx, ToolHost &host, ChannelHooks hooks, QWidget *parent)
    : QWidget(parent), ctx_(ctx), host_(host), hooks_(std::move(hooks)), ops_(ctx), transfer_(ctx)
{
    setObjectName(QStringLiteral("QLM"));
    setWindowTitle(QStringLiteral("WinQLM"));
    ops_.showProgress = [this](const MessageForm &f) { showForm(f); };
    transfer_.setReadingMode = [this](bool on) { setReadingMode(on); };
    transfer_.setPrintAllMode = [this](bool on) { setPrintAllMode(on); };
    transfer_.showProgress = [this](const MessageForm &f) { showForm(f); };
    buildControls();
    load();
}

MessageWindow::~MessageWindow() = default;

void MessageWindow::buildControls()
{
    block_ = new QWidget(this);
    block_->setObjectName(QStringLiteral("Block"));
    toolbar_ = new FileToolbar(this);

    const auto label = [this](int n, const QString &text) {
        auto *l = new QLabel(text, block_);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        return l;
    };
    label(1, QStringLiteral("ファイル名"))->setGeometry(14, 46, 80, 24);
    label(4, QStringLiteral("保存リスト"))->setGeometry(14, 80, 100, 22);
    label(2, QStringLiteral("メッセージNo."))->setGeometry(128, 80, 90, 24);
    label(3, QStringLiteral("登録内容"))->setGeometry(128, 112, 80, 22);
    label(5, QStringLiteral("(スペースは ^ で表示されます)"))->setGeometry(218, 112, 300, 22);

    text1_ = new QLineEdit(block_);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setGeometry(96, 46, 466, 24);

    list1_ = new QListWidget(block_);
    list1_->setObjectName(QStringLiteral("List1"));
    list1_->setGeometry(14, 102, 100, 336);

    text2_ = new QLineEdit(block_);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setGeometry(218, 80, 64, 24);

    text3_ = new QPlainTextEdit(block_);
    text3_->setObjectName(QStringLiteral("Text3"));
    text3_->setGeometry(128, 134, 524, 220);
    text3_->setTabChangesFocus(true);
    QFont mono(QStringLiteral("IPAGothic"), 11);
    mono.setStyleHint(QFont::TypeWriter);
    text3_->setFont(mono);
    content_ = new ContentBoxConverter(text3_, ctx_.messenger());

    for (int i = 0; i < 15; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(kCaptions[i]), block_);
        b->setObjectName(QStringLiteral("Command%1").arg(i + 1));
        commands_ << b;
    }
    buttonPalette_ = commands_[0]->palette();
    const auto place = [this](int n, int x, int y, int w) { commands_[n - 1]->setGeometry(x, y, w, 32); };
    place(14, 568, 44, 84);
    // File row, printer rows, then the tools.
    place(1, 128, 364, 127);
    place(2, 260, 364, 127);
    place(3, 392, 364, 127);
    place(8, 524, 364, 128);
    place(4, 128, 408, 127);
    place(5, 260, 408, 127);
    place(6, 392, 408, 127);
    place(7, 524, 408, 128);
    place(11, 128, 446, 127);
    place(12, 260, 446, 127);
    place(13, 392, 446, 127);
    place(10, 524, 446, 128);
    place(15, 14, 446, 100);
    place(9, 524, 490, 128);

    commands_[10]->setToolTip(QStringLiteral("プリンタに登録してあるメッセージを全て消去します"));
    commands_[11]->setToolTip(QStringLiteral("ファイル内の全てのメッセージをプリンタに登録します"));
    commands_[12]->setToolTip(QStringLiteral("プリンタに登録してあるメッセージを全て印字します"));
    commands_[9]->setToolTip(QStringLiteral("通信用プロトコルの詳細を表示します"));
    commands_[14]->setToolTip(QStringLiteral("制御コードを入力します"));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kBlinkMs);
    connect(timer1_, &QTimer::timeout, this, &MessageWindow::blink);

    connect(commands_[13], &QPushButton::clicked, this, &MessageWindow::browse);
    connect(commands_[0], &QPushButton::clicked, this, &MessageWindow::openFile);
    connect(commands_[1], &QPushButton::clicked, this, &MessageWindow::saveFile);
    connect(commands_[2], &QPushButton::clicked, this, &MessageWindow::deleteFile);
    connect(commands_[7], &QPushButton::clicked, this, &MessageWindow::showFileCopy);
    connect(commands_[3], &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        transfer_.readAll(f);
        showForm(f);
    });
    connect(commands_[4], &QPushButton::clicked, this, &MessageWindow::onRegisterClicked);
    connect(commands_[5], &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        transfer_.deleteOne(f);
    });
    connect(commands_[6], &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        transfer_.testPrint(f);
    });
    connect(commands_[10], &QPushButton::clicked, this, [this] { transfer_.clearAll(); });
    connect(commands_[11], &QPushButton::clicked, this, [this] {
        MessageForm f = form();
        int badCode = -1;
        transfer_.registerAll(f, &badCode);
        showForm(f);
        if (badCode >= 0)
            content_->placeCaret(badCode);
    });
    connect(commands_[12], &QPushButton::clicked, this, [this] { transfer_.printAll(); });
    connect(commands_[9], &QPushButton::clicked, this, &MessageWindow::showSettings);
    connect(commands_[14], &QPushButton::clicked, this, &MessageWindow::showEditingAid);
    connect(commands_[8], &QPushButton::clicked, this, &MessageWindow::backToMenu);

    connect(text2_, &QLineEdit::textChanged, this, &MessageWindow::onNumberChanged);
    connect(list1_, &QListWidget::itemClicked, this, &MessageWindow::onListClicked);

    connect(toolbar_->openAction(), &QAction::triggered, this, [this] {
        const QString path = chooseFile ? chooseFile(this, MsdDialog::Open, text1_->text()) : QString();
        if (path.isEmpty())
            return;
        text1_->setText(path);
        openFile();
    });
    connect(toolbar_->saveAction(), &QAction::triggered, this, [this] {
        const QString path = chooseFile ? chooseFile(this, MsdDialog::Save, text1_->text()) : QString();
        if (path.isEmpty())
            return;
        text1_->setText(path);
        saveFile();
    });
    connect(toolbar_->printAction(), &QAction::triggered, this, &MessageWindow::printList);
    connect(toolbar_->deleteAction(), &QAction::triggered, this, &MessageWindow::deleteFile);
    connect(toolbar_->helpAction(), &QAction::triggered, this, [this] { host_.openHelp(); });
}

void MessageWindow::load()
{
    AppState &st = ctx_.state;
    if (st.launcherMaximized) {
        setWindowState(Qt::WindowMaximized);
    } else {
        resize(px(launcher::kDesignWidth), px(launcher::kDesignHeight));
        move(px(st.launcherLeft), px(st.launcherTop));
    }
    st.output.interfaceName = kInterfaceSerial;
    if (hooks_.openSerialPort)
        hooks_.openSerialPort();
    loaded_ = true;
    layoutBlock();
}

void MessageWindow::layoutBlock()
{
    const int ox = loaded_ ? px(ctx_.state.contentOffsetX) : 0;
    const int oy = loaded_ ? px(ctx_.state.contentOffsetY) : 0;
    block_->setGeometry(ox, oy, px(launcher::kDesignWidth), px(launcher::kDesignHeight));
    toolbar_->setGeometry(0, 0, width(), 38);
    toolbar_->raise();
}

void MessageWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (loaded_)
        launcher::applyResize(ctx_.state, width() * launcher::kTwipsPerPixel, height() * launcher::kTwipsPerPixel);
    layoutBlock();
}

MessageForm MessageWindow::form() const
{
    MessageForm f;
    f.fileName = text1_->text();
    f.numberText = text2_->text();
    f.content = content_->text();
    for (int i = 0; i < list1_->count(); ++i)
        f.savedNumbers << list1_->item(i)->text().toInt();
    return f;
}

void MessageWindow::showForm(const MessageForm &f)
{
    if (text1_->text() != f.fileName)
        text1_->setText(f.fileName);
    if (text2_->text() != f.numberText)
        text2_->setText(f.numberText);
    if (content_->text() != f.content)
        content_->setText(f.content);
    if (form().savedNumbers != f.savedNumbers) {
        list1_->clear();
        for (int n : f.savedNumbers)
            list1_->addItem(QString::number(n));
    }
}

void MessageWindow::browse()
{
    const QString path = chooseFile ? chooseFile(this, MsdDialog::Open, text1_->text()) : QString();
    if (path.isEmpty())
        return;
    text1_->setText(path);
    list1_->clear();
    text2_->clear();
    content_->setText(QString());
}

void MessageWindow::openFile()
{
    MessageForm f = form();
    ops_.open(f);
    showForm(f);
}

void MessageWindow::saveFile()
{
    MessageForm f = form();
    int badCode = -1;
    ops_.save(f, &badCode);
    showForm(f);
    if (badCode >= 0)
        content_->placeCaret(badCode);
}

void MessageWindow::deleteFile()
{
    MessageForm f = form();
    ops_.remove(f);
    showForm(f);
}

void MessageWindow::printList()
{
    MessageForm f = form();
    const auto text = ops_.printText(f);
    showForm(f);
    if (!text)
        return;
    switch (listprinter::print(*text, f.fileName)) {
    case listprinter::Result::Printed:
        ctx_.messenger().showCatalogMessage(5);
        break;
    case listprinter::Result::NoPrinter:
        ctx_.messenger().showMessage(QStringLiteral("印刷用プリンタが見つかりません。\r\n"
                                                    "プリンタの設定を確認して下さい。"),
                                     48, kAppTitle);
        break;
    case listprinter::Result::Failed:
        ctx_.messenger().showCatalogMessage(13);
        break;
    }
}

void MessageWindow::onNumberChanged()
{
    if (settingNumber_)
        return;
    const auto change = numberbox::onChange(text2_->text());
    if (!change)
        return;
    if (change->text != text2_->text()) {
        settingNumber_ = true;
        text2_->setText(change->text);
        settingNumber_ = false;
    }
    if (change->outOfRange)
        ctx_.messenger().showCatalogMessage(numberbox::kRangeMessage);
}

void MessageWindow::onListClicked(QListWidgetItem *item)
{
    if (!item)
        return;
    const int number = item->text().toInt();
    MessageForm f = form();
    ops_.showStored(f, number);
    showForm(f);
    const auto found = list1_->findItems(QString::number(number), Qt::MatchExactly);
    if (!found.isEmpty()) {
        list1_->setCurrentItem(found.first());
        list1_->scrollToItem(found.first(), QAbstractItemView::PositionAtTop);
    }
}

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
        content_->placeCaret(badCode);
}

void MessageWindow::showFileCopy()
{
    if (!fileCopy_) {
        fileCopy_ = new FileCopyWindow(ctx_, this);
        fileCopy_->chooseFile = chooseFile;
    }
    fileCopy_->move(FileCopyWindow::placeBelow(this));
    fileCopy_->show();
    fileCopy_->raise();
}

void MessageWindow::showEditingAid()
{
    if (!aid_) {
        aid_ = new EditingAidWindow(
            [this](const QString &text) {
                // The box's own cursor: the selection goes, the caret
                // follows the conversion.
                text3_->insertPlainText(text);
                text3_->setFocus();
            },
            this);
        aid_->setAttribute(Qt::WA_DeleteOnClose);
    }
    aid_->show();
    aid_->raise();
}

void MessageWindow::showSettings()
{
    if (hooks_.showSettings)
        hooks_.showSettings(this);
    else
        ctx_.messenger().showMessage(QStringLiteral("出力I/Fの設定はこの版ではまだ使用できません。"), 64, kAppTitle);
}

void MessageWindow::closeSubWindows()
{
    if (fileCopy_)
        fileCopy_->close();
    if (aid_)
        aid_->close();
    if (hooks_.closeSettings)
        hooks_.closeSettings();
}

void MessageWindow::backToMenu()
{
    AppState &st = ctx_.state;
    if (!isMaximized() && !st.launcherMaximized) {
        st.launcherLeft = x() * launcher::kTwipsPerPixel;
        st.launcherTop = y() * launcher::kTwipsPerPixel;
    }
    closeSubWindows();
    host_.returnToMenu();
}

void MessageWindow::closeEvent(QCloseEvent *event)
{
    closeSubWindows();
    if (hooks_.shutDownChannel)
        hooks_.shutDownChannel();
    event->accept();
    host_.quitFromTool();
}

void MessageWindow::setBusyControls(bool busy, QPushButton *stillEnabled)
{
    for (int i = 0; i < 14; ++i)
        commands_[i]->setEnabled(!busy || commands_[i] == stillEnabled);
    for (QAction *a :
         {toolbar_->openAction(), toolbar_->saveAction(), toolbar_->printAction(), toolbar_->deleteAction()})
        a->setEnabled(!busy);
}

void MessageWindow::setReadingMode(bool on)
{
    reading_ = on;
    QPushButton *read = commands_[3];
    QPushButton *reg = commands_[4];
    setBusyControls(on, reg);
    read->setText(on ? kReadingCaption : kReadCaption);
    reg->setText(on ? kCancelReadCaption : kRegisterCaption);
    blinkPhase_ = false;
    if (on) {
        blink();
        timer1_->start();
    } else {
        timer1_->stop();
        read->setPalette(buttonPalette_);
        reg->setPalette(buttonPalette_);
    }
}

void MessageWindow::setPrintAllMode(bool on)
{
    printingAll_ = on;
    setBusyControls(on, nullptr);
    blinkPhase_ = false;
    if (on) {
        blink();
        timer1_->start();
    } else {
        timer1_->stop();
        commands_[12]->setPalette(buttonPalette_);
    }
}

void MessageWindow::blink()
{
    blinkPhase_ = !blinkPhase_;
    if (reading_) {
        paintButton(commands_[3], blinkPhase_ ? kLightGreen : Qt::white);
        paintButton(commands_[4], blinkPhase_ ? Qt::white : kLawnGreen);
    }
    if (printingAll_)
        paintButton(commands_[12], blinkPhase_ ? kBlueViolet : Qt::white);
}
