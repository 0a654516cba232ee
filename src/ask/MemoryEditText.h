#pragma once

#include "Reply.h"

#include <QJsonObject>
#include <QString>
#include <optional>

// The words of the panel's changes to memory (forgetting an entity, renaming it, removing a
// relation, no longer capturing an application), built from daemon replies without any widget.
namespace vesk::MemoryEditText {

// What a dialog says: its title and its text.
struct Words {
    QString title;
    QString text;
    bool operator==(const Words&) const = default;
};

// The failure dialog's text: the daemon's "message" when it gave one, else why there was none
// ("Vesk did not answer." when it did not answer).
QString failureText(const Reply& reply);
// A line of ours that says a change was not confirmed, followed on a line of its own by the
// daemon's words when it refused with some, isolated so they cannot reorder ours.
QString withDaemonWords(const QString& ours, const Reply& reply);
QString withDaemonWords(const QString& ours, const std::optional<QString>& said);

// What forgetting an entity would delete, as the daemon previewed it; every count 0 when absent.
struct ForgetPreview {
    qint64 frames = 0;
    qint64 textLines = 0;
    qint64 messages = 0;
    qint64 sightings = 0;
    qint64 nodesDeleted = 0;
    qint64 nodesKept = 0;
    qint64 keptSightingsLost = 0;
    qint64 bytesFreed = 0;
    bool operator==(const ForgetPreview&) const = default;
    // No frames, no conversation lines, no source records and no entity would go.
    bool empty() const { return frames == 0 && messages == 0 && sightings == 0 && nodesDeleted == 0; }
};
// Nothing unless the reply is a "forget_entity_preview".
std::optional<ForgetPreview> forgetPreview(const std::optional<QJsonObject>& reply);

// The dialog for a preview with nothing in it, and the confirmation that lists every count.
Words nothingToForget(const QString& label);
Words forgetConfirmation(const ForgetPreview& preview, const QString& label);

// What a forget the daemon did not confirm did, judged from a fresh preview of the same entity:
// the frames it still has against the `expected` frames the first preview counted.
struct Verdict {
    bool warning = false;
    Words words;
    bool operator==(const Verdict&) const = default;
};
Verdict forgetVerdict(const std::optional<QJsonObject>& freshPreview, qint64 expected, const QString& label);

// The note over an entity page renamed to `label`: "1 memory now read “…”. …".
QString renameNote(const QJsonObject& renamed, const QString& label);

// The question before a relation of the graph goes, quoting the relation as it reads
// (EntityText::relationSentence).
QString relationQuestion(const QString& sentence);

// The question before an application stops being captured.
QString blockQuestion(const QString& bundleId);

} // namespace vesk::MemoryEditText
