#pragma once
// Answers a modal dialog of a window's: the steps run once a visible child
// of that object name is there (the dialog's own event loop runs them).
#include <QTimer>
#include <QWidget>

#include <functional>

template <class D = QWidget> void onDialog(QWidget *window, const QString &name, std::function<void(D *)> steps)
{
    auto *poll = new QTimer(window);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, name, steps] {
        D *d = window->findChild<D *>(name);
        if (!d || !d->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        steps(d);
    });
    poll->start();
}
