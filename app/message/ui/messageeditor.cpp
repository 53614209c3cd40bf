#include "messageeditor.h"

#include "comm/appcontext.h"
#include "contentboxconverter.h"
#include "listprinter.h"
#include "message/numberbox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

MessageEditor::MessageEditor(AppContext &ctx, QWidget *block) : QObject(block), ctx_(ctx), ops_(ctx)
{
    text1_ = new QLineEdit(block);
    text1_->setObjectName(QStringLiteral("Text1"));

    list1_ = new QListWidget(block);
    list1_->setObjectName(QStringLiteral("List1"));

    text2_ = new QLineEdit(block);
    text2_->setObjectName(QStringLiteral("Text2"));

    text3_ = new QPlainTextEdit(block);
    text3_->setObjectName(QStringLiteral("Text3"));
    text3_->setTabChangesFocus(true);
    QFont mono(QStringLiteral("IPAGothic"), 11);
    mono.setStyleHint(QFont::TypeWriter);
    text3_->setFont(mono);
    content_ = new ContentBoxConverter(text3_, ctx.messenger());

    ops_.showProgress = [this](const MessageForm &f) { showForm(f); };
    connect(text2_, &QLineEdit::textChanged, this, &MessageEditor::onNumberChanged);
    connect(list1_, &QListWidget::itemClicked, this, &MessageEditor::onListClicked);
}

MessageEditor::~MessageEditor() = default;

MessageForm MessageEditor::form() const
{
    MessageForm f;
    f.fileName = text1_->text();
    f.numberText = text2_->text();
    f.content = content_->text();
    for (int i = 0; i < list1_->count(); ++i)
        f.savedNumbers << list1_->item(i)->text().toInt();
    return f;
}

void MessageEditor::showForm(const MessageForm &f)
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

bool MessageEditor::hasUnsavedEdits() const
{
    const QString now = content_->text();
    return !now.isEmpty() && now != cleanContent_;
}

void MessageEditor::markClean() { cleanContent_ = content_->text(); }

void MessageEditor::browse()
{
    if (!mayReplaceContent())
        return;
    const QString path = chooseFile ? chooseFile(MsdDialog::Open, text1_->text()) : QString();
    if (path.isEmpty())
        return;
    text1_->setText(path);
    list1_->clear();
    text2_->clear();
    content_->setText(QString());
    markClean();
}

void MessageEditor::openFile()
{
    if (!mayReplaceContent())
        return;
    MessageForm f = form();
    const bool opened = ops_.open(f);
    showForm(f);
    if (opened)
        markClean();
}

void MessageEditor::saveFile()
{
    MessageForm f = form();
    int badCode = -1;
    const bool saved = ops_.save(f, &badCode);
    showForm(f);
    if (saved)
        markClean();
    if (badCode >= 0)
        content_->placeCaret(badCode);
}

void MessageEditor::deleteFile()
{
    MessageForm f = form();
    ops_.remove(f);
    showForm(f);
}

void MessageEditor::printList()
{
    MessageForm f = form();
    const auto text = ops_.printText(f);
    showForm(f);
    if (!text)
        return;
    listprinter::printAndTell(ctx_.messenger(), *text, f.fileName);
}

void MessageEditor::onNumberChanged()
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

void MessageEditor::onListClicked(QListWidgetItem *item)
{
    if (!item)
        return;
    const int number = item->text().toInt();
    if (!mayReplaceContent())
        return;
    MessageForm f = form();
    ops_.showStored(f, number);
    showForm(f);
    markClean();
    const auto found = list1_->findItems(QString::number(number), Qt::MatchExactly);
    if (!found.isEmpty()) {
        list1_->setCurrentItem(found.first());
        list1_->scrollToItem(found.first(), QAbstractItemView::PositionAtTop);
    }
}
