#pragma once

#include "InkButton.h"
#include "KeyChord.h"

namespace vesk {

// Records the keys of a shortcut. It shows its keys ("Ctrl+Alt+Space"); pressed, it records: the
// next combination it can use becomes its keys and is reported as `recorded`. While it records it
// takes every key (Tab and the application's shortcuts too), shows the modifiers held, and asks for
// a modifier when a key that types comes alone. Escape, or the focus leaving, cancels and keeps
// the keys it had. Registering the keys is its owner's business.
class KeyRecorder : public InkButton {
    Q_OBJECT
public:
    explicit KeyRecorder(const KeyChord& keys = {}, QWidget* parent = nullptr);

    const KeyChord& keys() const { return current; }
    // Shows other keys, ending a recording without a signal (the owner's change wins).
    void setKeys(const KeyChord& keys);
    bool isRecording() const { return recording; }
    // The chord modifier a modifier key stands for (Ctrl, Alt, Shift, Super); 0 for any other key.
    static unsigned modifierOf(int qtKey);
    void startRecording();

signals:
    void recorded(const vesk::KeyChord& keys);
    void cancelled();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void stop();
    void show(const QString& text, const QString& spoken);

    KeyChord current;
    bool recording = false;
};

} // namespace vesk
