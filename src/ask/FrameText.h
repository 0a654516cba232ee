#pragma once

#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

// The words of the inspector's frame view, built from daemon replies without any widget.
namespace vesk::FrameText {

// The lines marked for the entity a frame was opened from, and the status line under it. With
// `quoting`, the label is a text that may quote the frame: a line it contains word for word (at
// least 4 characters of it) is marked too.
QList<QRectF> highlights(const QList<QJsonObject>& lines, const QString& label, bool quoting = false);
QString frameStatus(qsizetype marked, const std::optional<QString>& redaction, qint64 expiresMs);
QString capturedLine(qint64 capturedMs);

} // namespace vesk::FrameText
