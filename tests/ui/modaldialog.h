#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `handler` once on the next modal dialog of any kind, as soon as it is shown. The returned
// timer polls until then; keep it alive until the dialog has been answered.
inline std::unique_ptr<QTimer> whenModalDialogOpens(std::function<void(QWidget *)> handler)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(20);
    QTimer *poll = timer.get();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handler] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            poll->stop();
            handler(dialog);
        }
    });
    timer->start();
    return timer;
}
