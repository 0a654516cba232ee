#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <utility>

namespace vesk {

// Runs `work` on the main thread, later, and only if `receiver` still exists then: the one way a
// result made on another thread reaches the object that asked for it. Call it on the main thread
// (the receiver is watched from here on); the result may be handed over from any thread, once: it
// is moved to the main thread, never copied, so nothing it holds is let go of on the thread that
// made it. Results handed over in order run in that order.
template <class Work> auto toReceiver(const QObject* receiver, Work work)
{
    return [guard = QPointer<const QObject>(receiver), work = std::move(work)](auto... args) mutable {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard = std::move(guard), work = std::move(work), ... args = std::move(args)]() mutable {
                if (guard)
                    work(std::move(args)...);
            },
            Qt::QueuedConnection);
    };
}

// Runs `work` on the main thread once the event loop's current or first turn has ended, while
// `context` exists: start-up work that can wait lets the tray item and the menu answer first. Posted
// from a posted call, because Qt delivers what is posted during a turn in that same turn.
template <class Work> void afterFirstTurn(QObject* context, Work work)
{
    QMetaObject::invokeMethod(
        context,
        [context, work = std::move(work)]() mutable {
            QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace vesk
