#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "MemoryEditText.h"

#include <QStringList>

// The modal dialogs of the panel's changes to memory, each asked through the window's alerts.
namespace vesk::EditDialogs {

// The dialog's words with these buttons, in this style; the chosen button's index, or aborted.
int ask(Alerts& alerts, AlertSpec::Style style, const MemoryEditText::Words& words, const QStringList& buttons);

// A question on the words: `act`, or "Cancel" as the safe answer. Where `act` cannot be undone
// (`Undo::impossible`) it is drawn as destructive and Cancel is the default.
enum class Undo { possible, impossible };
int confirm(Alerts& alerts, AlertSpec::Style style, const MemoryEditText::Words& words, const QString& act, Undo undo);

// The failure dialog of every change: a warning titled with what could not be done (`fallback`),
// reading the daemon's message when it gave one, else that it did not answer.
void report(Alerts& alerts, const Reply& reply, const QString& fallback);

} // namespace vesk::EditDialogs
