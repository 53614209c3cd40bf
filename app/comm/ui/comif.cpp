#include "comif.h"

#include "comm/appcontext.h"
#include "comm/interfacesettings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace interfacesettings;

namespace {

const QString kSettingsButtonCaption = QStringLiteral("出力I/F詳細");

enum Tab { SummaryTab, InterfaceTab, ProtocolTab, SpeedTab, ByteIntervalTab, NumberIntervalTab };

QRegularExpressionValidator *digits(int maxDigits, QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), parent);
}

// A text box's up/down control: two small arrow buttons, "Up" and "Down".
QWidget *upDownControl(const QString &name, QWidget *parent)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    auto *v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    for (const auto &[arrow, objectName] : {std::pair{Qt::UpArrow, "Up"}, std::pair{Qt::DownArrow, "Down"}}) {
        auto *b = new QToolButton(w);
        b->setObjectName(QLatin1String(objectName));
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 13);
        b->setFocusPolicy(Qt::NoFocus);
        v->addWidget(b);
    }
    return w;
}

QToolButton *arrowOf(QWidget *upDown, const char *name)
{
    return upDown->findChild<QToolButton *>(QLatin1String(name));
}

std::optional<QString> askDevice(QWidget *parent, int comPort, const serialdevices::MappingChoices &choices)
{
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent, QStringLiteral("COM%1 の割当").arg(comPort),
                              QStringLiteral("COM%1 として使うデバイスを選ぶか、パスを入力して下さい。").arg(comPort),
                              choices.items, choices.current, true, &ok);
    if (!ok)
        return std::nullopt;
    return chosen;
}

} // namespace

ComIF::ComIF(AppContext &ctx, const QColor &background, QWidget *parent)
    : QDialog(parent), chooseDevice(askDevice), ctx_(ctx)
{
    setObjectName(QStringLiteral("ComIF"));
    setWindowTitle(QStringLiteral("出力詳細"));
    setAttribute(Qt::WA_DeleteOnClose);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
    setAutoFillBackground(true);

    for (int n = 1; n <= 15; ++n) {
        auto *o = new QRadioButton(this); // each goes onto its tab page
        o->setObjectName(QStringLiteral("Option%1").arg(n));
        options_ << o;
    }

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    tabs_->addTab(buildSummaryTab(), QStringLiteral("全般"));
    tabs_->addTab(buildInterfaceTab(), QStringLiteral("出力I/F"));
    tabs_->addTab(buildProtocolTab(), QStringLiteral("プロトコル"));
    tabs_->addTab(buildSpeedTab(), QStringLiteral("転送速度"));
    tabs_->addTab(buildIntervalTab(12, text1_, QStringLiteral("UpDown1")), QStringLiteral("転送間隔"));
    tabs_->addTab(buildIntervalTab(14, text2_, QStringLiteral("UpDown2")), QStringLiteral("No.間間隔"));
    text1_->setObjectName(QStringLiteral("Text1"));
    text2_->setObjectName(QStringLiteral("Text2"));
    upDown1_ = findChild<QWidget *>(QStringLiteral("UpDown1"));
    upDown2_ = findChild<QWidget *>(QStringLiteral("UpDown2"));

    auto *set = new QPushButton(QStringLiteral("設　　定"), this);
    set->setObjectName(QStringLiteral("Command1"));
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    for (QPushButton *b : {set, cancel}) {
        // Enter in a box must not set or close by surprise.
        b->setAutoDefault(false);
        b->setMinimumWidth(110);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(set);
    buttons->addWidget(cancel);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 12);
    outer->setSpacing(10);
    outer->addWidget(tabs_);
    outer->addLayout(buttons);

    // Option buttons act on the settings at once.
    connect(option(1), &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onInterfaceOption(true);
    });
    connect(option(2), &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            onInterfaceOption(false);
    });
    for (int i = 0; i < 3; ++i) {
        connect(option(3 + i), &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                ctx_.state.output.parity = qint16(i);
        });
    }
    for (int i = 0; i < kBaudTexts.size(); ++i) {
        connect(option(6 + i), &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                ctx_.state.output.baudText = kBaudTexts[i];
        });
    }
    for (bool number : {false, true}) {
        const int first = number ? 14 : 12;
        connect(option(first), &QRadioButton::toggled, this, [this, number](bool on) {
            if (on)
                onIntervalOption(number, false);
        });
        connect(option(first + 1), &QRadioButton::toggled, this, [this, number](bool on) {
            if (on)
                onIntervalOption(number, true);
        });
        QLineEdit *text = number ? text2_ : text1_;
        connect(text, &QLineEdit::textChanged, this, [this, number] { onIntervalText(number); });
        QWidget *upDown = number ? upDown2_ : upDown1_;
        connect(arrowOf(upDown, "Up"), &QToolButton::clicked, this, [this, number] { stepInterval(number, 1); });
        connect(arrowOf(upDown, "Down"), &QToolButton::clicked, this, [this, number] { stepInterval(number, -1); });
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &ComIF::onTabChanged);
    connect(set, &QPushButton::clicked, this, &ComIF::confirm);
    connect(cancel, &QPushButton::clicked, this, &ComIF::close);

    load();
}

QWidget *ComIF::buildSummaryTab()
{
    auto *page = new QWidget;
    for (int n = 1; n <= 6; ++n) {
        auto *l = new QLabel(page);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        summary_ << l;
    }
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(24, 18, 18, 12);
    v->setSpacing(10);
    auto *first = new QHBoxLayout;
    first->addWidget(summary_[0]);
    first->addWidget(summary_[5]);
    first->addStretch();
    v->addLayout(first);
    for (int n : {2, 3, 4, 5})
        v->addWidget(summary_[n - 1]);
    v->addStretch();
    return page;
}

QWidget *ComIF::buildInterfaceTab()
{
    auto *page = new QWidget;
    option(2)->setText(QStringLiteral("シリアル"));
    option(1)->setText(QStringLiteral("パラレル"));
    auto *group = new QButtonGroup(page);
    group->addButton(option(2));
    group->addButton(option(1));

    auto *label7 = new QLabel(QStringLiteral("ポートNo."), page);
    label7->setObjectName(QStringLiteral("Label7"));
    combo1_ = new QComboBox(page);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setMinimumWidth(110);
    combo1_->setMaxVisibleItems(12);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    hexValidator_ = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), combo1_);
    auto *info = new QPushButton(QStringLiteral("i"), page);
    info->setObjectName(QStringLiteral("Command3"));
    info->setAutoDefault(false);
    info->setFixedWidth(32);
    info->setToolTip(QStringLiteral("このコンピュータのシリアルポートと割り当てたCOM番号を表示します"));
    mapButton_ = new QPushButton(QStringLiteral("割当..."), page);
    mapButton_->setObjectName(QStringLiteral("Command4"));
    mapButton_->setAutoDefault(false);
    mapButton_->setToolTip(QStringLiteral("選んだCOM番号で使うデバイスを割り当てます"));

    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(24, 18, 18, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(14);
    grid->addWidget(option(2), 0, 0);
    grid->addWidget(option(1), 0, 1, 1, 3);
    grid->addWidget(label7, 1, 0);
    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(6);
    portRow->addWidget(combo1_);
    portRow->addWidget(info);
    portRow->addWidget(mapButton_);
    portRow->addStretch();
    grid->addLayout(portRow, 1, 1, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(3, 1);

    connect(info, &QPushButton::clicked, this, &ComIF::showDevices);
    connect(mapButton_, &QPushButton::clicked, this, &ComIF::mapDevice);
    return page;
}

QWidget *ComIF::buildProtocolTab()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(24, 18, 18, 12);
    v->setSpacing(12);
    for (int i = 0; i < 3; ++i) {
        option(3 + i)->setText(kParityCaptions[i]);
        option(3 + i)->setParent(page);
        v->addWidget(option(3 + i));
    }
    v->addStretch();
    return page;
}

QWidget *ComIF::buildSpeedTab()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(24, 18, 18, 12);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(10);
    for (int i = 0; i < kBaudTexts.size(); ++i) {
        QRadioButton *o = option(6 + i);
        o->setText(kBaudTexts[i].trimmed());
        o->setParent(page);
        grid->addWidget(o, i % 3, i / 3);
    }

    auto *label8 = new QLabel(QStringLiteral("DTR待ち時間(ms)"), page);
    label8->setObjectName(QStringLiteral("Label8"));
    label9_ = new QLabel(QStringLiteral("返答待ち時間(ms)"), page);
    label9_->setObjectName(QStringLiteral("Label9"));
    text3_ = new QLineEdit(page);
    text3_->setObjectName(QStringLiteral("Text3"));
    text4_ = new QLineEdit(page);
    text4_->setObjectName(QStringLiteral("Text4"));
    for (QLineEdit *t : {text3_, text4_}) {
        t->setValidator(digits(6, t));
        t->setFixedWidth(80);
        t->setAlignment(Qt::AlignRight);
        t->installEventFilter(this);
    }

    auto *waits = new QGridLayout;
    waits->setHorizontalSpacing(10);
    waits->setVerticalSpacing(8);
    waits->addWidget(label8, 0, 0);
    waits->addWidget(text3_, 0, 1);
    waits->addWidget(label9_, 1, 0);
    waits->addWidget(text4_, 1, 1);
    waits->setColumnStretch(2, 1);
    grid->setRowMinimumHeight(3, 8);
    grid->addLayout(waits, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    return page;
}

QWidget *ComIF::buildIntervalTab(int firstOption, QLineEdit *&text, const QString &upDownName)
{
    auto *page = new QWidget;
    QRadioButton *none = option(firstOption);
    QRadioButton *set = option(firstOption + 1);
    none->setText(QStringLiteral("指定無し(連続)"));
    set->setText(QStringLiteral("指定(msec)"));
    none->setParent(page);
    set->setParent(page);

    text = new QLineEdit(page);
    text->setValidator(digits(9, text));
    text->setFixedWidth(70);
    text->setAlignment(Qt::AlignRight);
    QWidget *upDown = upDownControl(upDownName, page);

    auto *grid = new QGridLayout(page);
    grid->setContentsMargins(24, 18, 18, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(14);
    grid->addWidget(none, 0, 0);
    grid->addWidget(set, 1, 0);
    auto *box = new QHBoxLayout;
    box->setSpacing(2);
    box->addWidget(text);
    box->addWidget(upDown);
    box->addStretch();
    grid->addLayout(box, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    return page;
}

void ComIF::load()
{
    const AppState &st = ctx_.state;
    const OutputSettings out = st.output;
    const bool byteSet = st.byteIntervalSet;
    const bool numberSet = st.numberIntervalSet;

    // The unit-setting tool also edits the reply wait.
    const bool unitTool = st.toolState == ToolStates::Unit;
    label9_->setVisible(unitTool);
    text4_->setVisible(unitTool);

    // Filling the boxes is not an edit: the values show as they are held.
    loading_ = true;
    (out.interfaceName == kInterfaceParallel ? option(1) : option(2))->setChecked(true);
    if (out.parity >= 0 && out.parity < 3)
        option(3 + out.parity)->setChecked(true);
    const int speed = int(kBaudTexts.indexOf(out.baudText));
    if (speed >= 0)
        option(6 + speed)->setChecked(true);
    option(byteSet ? 13 : 12)->setChecked(true);
    option(numberSet ? 15 : 14)->setChecked(true);
    text3_->setText(zeroPadded(out.dtrWait, 3));
    text4_->setText(zeroPadded(out.replyWait, 4));
    loading_ = false;

    centreOnScreen();
    tabs_->setCurrentIndex(SummaryTab);
    refreshSummary();
}

void ComIF::centreOnScreen()
{
    adjustSize();
    setFixedSize(size().expandedTo(QSize(460, 330)));
    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void ComIF::serialOnlyMode()
{
    ctx_.state.output.interfaceName = kInterfaceSerial;
    option(2)->setChecked(true);
    summary_[3]->hide();
    summary_[4]->hide();
    option(1)->hide();
    tabs_->setTabVisible(ByteIntervalTab, false);
    tabs_->setTabVisible(NumberIntervalTab, false);
    refreshSummary();
}

ComIF *ComIF::openFor(AppContext &ctx, QWidget *caller, bool serialOnly, QPointer<ComIF> &open)
{
    if (open && open->isVisible()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    delete open; // closed without being deleted: start afresh
    auto *w = new ComIF(ctx, callerColour(caller), caller);
    if (serialOnly)
        w->serialOnlyMode();
    w->show();
    open = w;
    return w;
}

QColor ComIF::callerColour(const QWidget *caller)
{
    if (!caller)
        return QApplication::palette().color(QPalette::Window);
    const QList<QPushButton *> buttons = caller->findChildren<QPushButton *>();
    for (const QPushButton *b : buttons) {
        if (b->text() == kSettingsButtonCaption)
            return b->palette().color(QPalette::Button);
    }
    return caller->palette().color(QPalette::Window);
}

bool ComIF::eventFilter(QObject *watched, QEvent *event)
{
    // The wait boxes select their whole text on entry, so typing replaces it.
    if (event->type() == QEvent::FocusIn && (watched == text3_ || watched == text4_)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void ComIF::refreshSummary()
{
    const Summary s = summary(ctx_.state);
    const QString texts[6] = {s.label1, s.label2, s.label3, s.label4, s.label5, s.label6};
    for (int i = 0; i < 6; ++i)
        summary_[i]->setText(texts[i]);
}

void ComIF::fillPortList()
{
    const OutputSettings &out = ctx_.state.output;
    const bool parallel = out.interfaceName == kInterfaceParallel;
    const PortList list = portList(out);
    combo1_->clear();
    // Any base address may be typed for a parallel card; serial ports are
    // only the thirty in the list.
    combo1_->setEditable(parallel);
    if (parallel) {
        combo1_->setInsertPolicy(QComboBox::NoInsert);
        combo1_->setValidator(hexValidator_);
    }
    combo1_->addItems(list.items);
    const int index = int(list.items.indexOf(list.current));
    if (index >= 0) {
        combo1_->setCurrentIndex(index);
    } else if (parallel) {
        combo1_->setCurrentIndex(-1);
        combo1_->setEditText(list.current);
    }
    mapButton_->setVisible(!parallel);
}

void ComIF::onInterfaceOption(bool parallel)
{
    if (parallel && !ctx_.state.parallelAvailable) {
        option(2)->setChecked(true);
        ctx_.messenger().showMessage(kNoParallelSetting, Icon::Exclamation);
        return;
    }
    ctx_.state.output.interfaceName = parallel ? kInterfaceParallel : kInterfaceSerial;
    fillPortList();
}

void ComIF::onIntervalOption(bool numberInterval, bool set)
{
    AppState &st = ctx_.state;
    QLineEdit *text = numberInterval ? text2_ : text1_;
    QWidget *upDown = numberInterval ? upDown2_ : upDown1_;
    (numberInterval ? st.numberIntervalSet : st.byteIntervalSet) = set;
    text->setEnabled(set);
    upDown->setEnabled(set);
    if (!set) {
        text->clear();
        return;
    }
    if (numberInterval) {
        if (st.output.numberInterval == 0)
            st.output.numberInterval = 1;
        text->setText(QString::number(st.output.numberInterval));
    } else {
        if (st.output.byteInterval == 0)
            st.output.byteInterval = 1;
        text->setText(QString::number(st.output.byteInterval));
    }
}

void ComIF::onIntervalText(bool numberInterval)
{
    if (loading_)
        return;
    QLineEdit *text = numberInterval ? text2_ : text1_;
    const IntervalEdit edit = intervalEdit(text->text(), numberInterval ? kNumberIntervalLimit : kByteIntervalLimit);
    if (edit.replaceWith) {
        // Setting the limit comes back here with the value.
        text->setText(*edit.replaceWith);
        return;
    }
    if (numberInterval)
        ctx_.state.output.numberInterval = edit.value;
    else
        ctx_.state.output.byteInterval = qint16(edit.value);
}

void ComIF::stepInterval(bool numberInterval, int delta)
{
    QLineEdit *text = numberInterval ? text2_ : text1_;
    const int limit = numberInterval ? kNumberIntervalLimit : kByteIntervalLimit;
    text->setText(QString::number(qBound(1, numericValue(text->text()) + delta, limit)));
}

void ComIF::onTabChanged(int index)
{
    if (index == SummaryTab)
        refreshSummary();
    else if (index == InterfaceTab)
        fillPortList();
}

void ComIF::confirm()
{
    const ConfirmInput input{combo1_->currentText(), text3_->text(), text4_->text()};
    // After a failed write the window stays for another try or cancel.
    if (apply(ctx_, input) == ApplyResult::Saved)
        close();
}

void ComIF::showDevices() { serialdevices::showReport(ctx_.messenger(), listDevices()); }

void ComIF::mapDevice()
{
    const int comPort = numericValue(combo1_->currentText().mid(3));
    if (comPort < 1 || comPort > 30 || !chooseDevice)
        return;
    const std::optional<QString> chosen =
        chooseDevice(this, comPort, serialdevices::mappingChoices(comPort, listDevices()));
    if (chosen)
        serialdevices::applyMapping(ctx_.messenger(), comPort, *chosen);
}
