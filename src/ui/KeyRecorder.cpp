#include "KeyRecorder.h"

#include <QKeyEvent>

namespace vesk {

namespace {
const QString prompt = QStringLiteral("Press the new keys…");
const QString spokenPrompt = QStringLiteral("Recording shortcut keys: press the new keys, or Escape to cancel");
} // namespace

KeyRecorder::KeyRecorder(const KeyChord& keys, QWidget* parent)
    : InkButton(parent)
    , current(keys)
{
    setTone(Tone::quiet);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] {
        if (!recording)
            startRecording();
    });
    stop();
}

void KeyRecorder::setKeys(const KeyChord& keys)
{
    current = keys;
    stop();
}

void KeyRecorder::startRecording()
{
    recording = true;
    setFocus(Qt::OtherFocusReason);
    show(prompt, spokenPrompt);
}

void KeyRecorder::stop()
{
    recording = false;
    show(current.text(), QStringLiteral("Shortcut keys: ") + current.text() + QStringLiteral(". Press to change"));
}

void KeyRecorder::show(const QString& text, const QString& spoken)
{
    setText(text);
    setAccessibleName(spoken);
}

unsigned KeyRecorder::modifierOf(int key)
{
    return key == Qt::Key_Control                                                 ? KeyChord::ctrl
        : key == Qt::Key_Alt || key == Qt::Key_AltGr                              ? KeyChord::alt
        : key == Qt::Key_Shift                                                    ? KeyChord::shift
        : key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R ? KeyChord::super
                                                                                  : 0u;
}

bool KeyRecorder::event(QEvent* event)
{
    // While recording, every key is ours: neither Tab nor any application shortcut may take it.
    if (recording && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (recording && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return InkButton::event(event);
}

void KeyRecorder::keyPressEvent(QKeyEvent* event)
{
    if (!recording)
        return InkButton::keyPressEvent(event);
    event->accept();
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        stop();
        return emit cancelled();
    }
    // A modifier alone: show what is held so far. The event's modifiers are those held before this
    // key went down, so the key itself is added.
    if (const unsigned pressed = modifierOf(key)) {
        // "Ctrl+Alt+" with no key yet.
        const QString held = KeyChord{KeyChord::modifiersOf(event->modifiers()) | pressed, QString()}.text();
        return show(held + QStringLiteral("…"), spokenPrompt);
    }
    const auto keys = KeyChord::fromQt(key, event->modifiers());
    if (!keys)
        return show(QStringLiteral("Add Ctrl, Alt or Super to that key"), spokenPrompt);
    current = *keys;
    stop();
    emit recorded(current);
}

void KeyRecorder::focusOutEvent(QFocusEvent* event)
{
    InkButton::focusOutEvent(event);
    if (recording) {
        stop();
        emit cancelled();
    }
}

} // namespace vesk
