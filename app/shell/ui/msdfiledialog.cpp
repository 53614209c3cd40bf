#include "msdfiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString chooseMsdFile(QWidget *parent, MsdDialog kind, const QString &current)
{
    const QString start = current.isEmpty() ? QDir::homePath() : QFileInfo(current).absolutePath();
    if (kind == MsdDialog::Save)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("ファイルに保存"), start, kMsdFilter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("ファイルを開く"), start, kMsdFilter);
}
