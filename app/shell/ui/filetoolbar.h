#pragma once
// The toolbar of the file-based tool windows (message, unit-setting):
// open, save, print, cut, copy, paste, delete, help. The actions keep the
// button numbers of the original bar in their object names (Button2 ...
// Button18) so tests and callers find them.
#include <QToolBar>

class QAction;

class FileToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit FileToolbar(QWidget *parent = nullptr);

    QAction *openAction() const { return open_; }     // 2 ファイルを開く
    QAction *saveAction() const { return save_; }     // 3 ファイルに保存
    QAction *printAction() const { return print_; }   // 4 ファイルを印刷
    QAction *cutAction() const { return cut_; }       // 7 カット
    QAction *copyAction() const { return copy_; }     // 8 コピー
    QAction *pasteAction() const { return paste_; }   // 9 貼り付け
    QAction *deleteAction() const { return delete_; } // 12 ファイルから削除
    QAction *helpAction() const { return help_; }     // 18 ヘルプ

private:
    QAction *open_;
    QAction *save_;
    QAction *print_;
    QAction *cut_;
    QAction *copy_;
    QAction *paste_;
    QAction *delete_;
    QAction *help_;
};
