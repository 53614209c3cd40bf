#include "filecopywindow.h"

#include "shell/ui/dialogkeys.h"

#include "shell/ui/toolwindow.h"

#include "message/filecopy.h"
#include "shell/launcher.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int kOffsetFromBottomTwips = 3495;
} // namespace

FileCopyWindow::FileCopyWindow(AppContext &ctx, QWidget *parent) : QWidget(parent, Qt::Window), ctx_(ctx)
{
    setObjectName(QStringLiteral("FileCopy_"));
    setWindowTitle(QStringLiteral("ファイルの複写"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(135, 206, 250));
    setPalette(pal);

    auto *label2 = new QLabel(QStringLiteral("複写元ファイル名"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    source_ = new QLineEdit(this);
    source_->setObjectName(QStringLiteral("Text2"));
    auto *browseSource = new QPushButton(QStringLiteral("参照"), this);
    browseSource->setObjectName(QStringLiteral("Command4"));

    auto *label1 = new QLabel(QStringLiteral("複写先ファイル名"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    destination_ = new QLineEdit(this);
    destination_->setObjectName(QStringLiteral("Text1"));
    auto *browseDestination = new QPushButton(QStringLiteral("参照"), this);
    browseDestination->setObjectName(QStringLiteral("Command3"));

    auto *run = new QPushButton(QStringLiteral("複写を実行"), this);
    run->setObjectName(QStringLiteral("Command1"));
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    cancelOnEscape(this, cancel);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label2, 0, 0, 1, 2);
    grid->addWidget(source_, 1, 0);
    grid->addWidget(browseSource, 1, 1);
    grid->addWidget(label1, 2, 0, 1, 2);
    grid->addWidget(destination_, 3, 0);
    grid->addWidget(browseDestination, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);
    resize(480, 190);

    connect(browseSource, &QPushButton::clicked, this, [this] { browse(source_); });
    connect(browseDestination, &QPushButton::clicked, this, [this] { browse(destination_); });
    connect(run, &QPushButton::clicked, this, &FileCopyWindow::runCopy);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

QPoint FileCopyWindow::placeBelow(const ToolWindow *toolWindow) { return toolWindow->below(kOffsetFromBottomTwips); }

FileCopyWindow *FileCopyWindow::showFor(ToolWindow *toolWindow, AppContext &ctx, QPointer<FileCopyWindow> &window)
{
    if (!window)
        window = new FileCopyWindow(ctx, toolWindow);
    window->chooseFile = toolWindow->chooseFile;
    window->move(placeBelow(toolWindow));
    window->show();
    window->raise();
    return window;
}

void FileCopyWindow::browse(QLineEdit *box)
{
    if (!chooseFile)
        return;
    const QString path = chooseFile(this, MsdDialog::Open, box->text());
    if (!path.isEmpty())
        box->setText(path);
}

void FileCopyWindow::runCopy() { filecopy::copy(ctx_, source_->text(), destination_->text()); }
