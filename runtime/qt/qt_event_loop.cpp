#include "runtime/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <utility>

void QtEventLoopBackend::post(std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return; // the view is closed: nothing runs calls any more
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

int QtEventLoopBackend::run() {
    {
        std::lock_guard lock(mutex_);
        // A quit that arrived before the loop started ends it at once.
        if (quitRequested_) {
            quitRequested_ = false;
            return quitCode_;
        }
    }
    QEventLoop loop;
    loops_.push_back(&loop);
    const int code = loop.exec();
    loops_.pop_back();
    return code;
}

void QtEventLoopBackend::quit(int code) {
    {
        std::lock_guard lock(mutex_);
        quitRequested_ = true;
        quitCode_ = code;
    }
    // Queued: the loop ends after the running callback has returned.
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(
        app, [this] { deliverQuit(); }, Qt::QueuedConnection);
}

void QtEventLoopBackend::deliverQuit() {
    if (loops_.empty()) return; // the next run() takes the pending quit
    int code = 0;
    {
        std::lock_guard lock(mutex_);
        if (!quitRequested_) return; // already taken
        quitRequested_ = false;
        code = quitCode_;
    }
    loops_.back()->exit(code);
}

void QtEventLoopBackend::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
