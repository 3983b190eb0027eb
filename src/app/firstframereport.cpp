#include "firstframereport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

FirstFrameReport::FirstFrameReport(QObject *parent) : QObject(parent) {}

void FirstFrameReport::watchIfAsked(QWidget *window)
{
    if (qEnvironmentVariableIsEmpty(variable))
        return;
    window->installEventFilter(new FirstFrameReport(window));
}

bool FirstFrameReport::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !painted) {
        painted = true;
        // The paint event comes before the frame is drawn and flushed; the next turn of the event
        // loop comes after.
        QTimer::singleShot(0, this, [] {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("%lld\n", static_cast<long long>(
                                      std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return QObject::eventFilter(watched, event);
}
