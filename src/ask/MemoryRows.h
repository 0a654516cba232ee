#pragma once

#include "AskText.h"
#include "EntityText.h"

#include <QList>
#include <functional>

class QWidget;

namespace vesk {

class Row;

// The rows that stand for one thing in memory (an entity, a source of an answer, a group of an
// entity's sources), each drawn from the lines a text module read, and opening it when clicked.
namespace MemoryRows {

// An entity: its label and meta line; a click calls `open`.
Row* entity(const AskText::EntityLines& lines, std::function<void()> open);
// One source of an answer; clickable only when `open` is given (screen evidence has pixels).
Row* evidence(const AskText::EvidenceLines& lines, std::function<void()> open);
// The grouped source list of an entity page: the first groups, then a line for the rest. A group
// with a frame calls `open` with that frame and its own row.
QList<QWidget*> sources(const QList<EntityText::SourceGroup>& groups, const std::function<void(qint64, Row*)>& open);

} // namespace MemoryRows
} // namespace vesk
