#pragma once
// File dialogs for .msd files. Windows hold the chooser as a replaceable
// function so tests can answer without a dialog.
#include <QString>

#include <functional>

class QWidget;

enum class MsdDialog { Open, Save };

// Returns the chosen path, empty when the user cancelled.
using MsdFileChooser = std::function<QString(QWidget *parent, MsdDialog kind, const QString &current)>;

inline const QString kMsdFilter = QStringLiteral("メッセージファイル (*.msd)");

// QFileDialog with the .msd filter; the save dialog does not ask about
// overwriting (the tools ask per record themselves).
QString chooseMsdFile(QWidget *parent, MsdDialog kind, const QString &current);
