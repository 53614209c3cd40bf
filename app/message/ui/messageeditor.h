#pragma once
// The message boxes that the message window and the print tester share:
// the file name box, the save list, the number box and the content box in
// display form, with the message file operations behind them. The editor
// creates the boxes on the window's block; each window places them, makes
// its own command buttons and connects them to the operations here.
#include "message/messagefileoperations.h"
#include "shell/ui/msdfiledialog.h"

#include <QObject>

#include <functional>

class AppContext;
class ContentBoxConverter;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QWidget;

class MessageEditor : public QObject {
    Q_OBJECT
public:
    MessageEditor(AppContext &ctx, QWidget *block);
    ~MessageEditor() override;

    QLineEdit *fileBox() const { return text1_; }         // Text1
    QListWidget *saveList() const { return list1_; }      // List1
    QLineEdit *numberBox() const { return text2_; }       // Text2
    QPlainTextEdit *contentBox() const { return text3_; } // Text3
    ContentBoxConverter &content() const { return *content_; }
    MessageFileOperations &operations() { return ops_; }

    // The file dialog of "参照"; the window hands over its own.
    std::function<QString(MsdDialog kind, const QString &current)> chooseFile;
    // Asked before the content box is replaced from the file while it holds
    // unsaved edits; false keeps everything as it is.
    std::function<bool()> confirmDiscard;

    // The content box differs from what was last opened, saved or read.
    bool hasUnsavedEdits() const;
    // What the box holds now counts as saved.
    void markClean();

    // The boxes and the save list as the operations see them.
    MessageForm form() const;
    void showForm(const MessageForm &form);

    // "参照": the chosen name goes into the file box, and the save list,
    // the number box and the content box are cleared.
    void browse();
    void openFile();
    void saveFile();
    void deleteFile();
    // The file listing on the default printer.
    void printList();

private:
    void onNumberChanged();
    void onListClicked(QListWidgetItem *item);
    bool mayReplaceContent() const { return !confirmDiscard || !hasUnsavedEdits() || confirmDiscard(); }

    AppContext &ctx_;
    MessageFileOperations ops_;
    bool settingNumber_ = false;
    QString cleanContent_;

    QLineEdit *text1_ = nullptr;
    QListWidget *list1_ = nullptr;
    QLineEdit *text2_ = nullptr;
    QPlainTextEdit *text3_ = nullptr;
    ContentBoxConverter *content_ = nullptr;
};
