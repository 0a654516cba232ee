#pragma once

#include "PlatformServices.h"

namespace vesk {

// A custom keyboard shortcut in GNOME's settings (the settings daemon's media-keys plugin), read
// and written through GSettings, so it lands in whatever backend the session uses.
class GnomeShortcut final : public DesktopShortcut {
public:
    Binding binding(const KeyChord& keys, const QString& command) override;
    Result add(const QString& name, const KeyChord& keys, const QString& command) override;
};

} // namespace vesk
