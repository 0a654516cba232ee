#pragma once

#include <QAccessible>
#include <QLabel>
#include <QMetaEnum>
#include <QSet>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace vesk::test {

inline QAccessibleInterface* accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Which object it is: its role, its class and the texts it holds.
inline QString described(QAccessibleInterface* item)
{
    QStringList shown;
    for (const QLabel* label : item->object()->findChildren<QLabel*>())
        shown << label->text();
    return QMetaEnum::fromType<QAccessible::Role>().valueToKey(item->role()) + QStringLiteral(" ")
        + item->object()->metaObject()->className() + " [" + shown.join(" | ") + "]";
}

// What a screen reader walking a window finds wrong: an object the keyboard reaches that has no
// name or reads as plain text, a name padded for drawing, a control the walk never comes to.
inline QStringList accessibilityFaults(QWidget* window)
{
    QStringList out;
    QSet<QObject*> seen;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* item) {
        seen.insert(item->object());
        const bool reachable = item->state().focusable && !item->state().invisible;
        const QString name = item->text(QAccessible::Name);
        if (reachable && name.isEmpty())
            out << "no name: " + described(item);
        if (name != name.simplified())
            out << "padded \"" + name + "\": " + described(item);
        if (reachable && item->role() == QAccessible::StaticText)
            out << "reachable but read as text: " + described(item);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    walk(accessible(window));
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && w->isVisible() && !seen.contains(w))
            out << "never reached: " + described(accessible(w));
    return out;
}

} // namespace vesk::test
