#pragma once
// Esc in a small window of a tool does what its cancel button does (or
// closes it when it has none).
#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

inline QShortcut *cancelOnEscape(QWidget *window, QAbstractButton *cancel = nullptr)
{
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    esc->setObjectName(QStringLiteral("EscapeKey"));
    QObject::connect(esc, &QShortcut::activated, window, [window, cancel] {
        if (cancel && cancel->isEnabled())
            cancel->click();
        else if (!cancel)
            window->close();
    });
    return esc;
}
