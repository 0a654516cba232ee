#pragma once

#include "Model.h"

#include <QString>

namespace vesk::demo {

// The demo screenshots are drawn, not captured: each frame's text lines are laid out on a
// screen-sized canvas, their boxes are stored with the lines (as fractions of the picture), and the
// picture is written as PNG into `folder`. Because the reported boxes come from the same layout that
// painted the words, a viewer's highlight lands on them. Frames whose pixels were removed get their
// boxes but no picture. Needs a QGuiApplication (fonts).
bool paintFrames(Model& model, const QString& folder, QString* error);

} // namespace vesk::demo
