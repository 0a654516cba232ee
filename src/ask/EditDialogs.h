#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "MemoryEditText.h"

#include <QStringList>

// The modal dialogs of the panel's changes to memory, each asked through the window's alerts.
namespace vesk::EditDialogs {

// The dialog's words with these buttons, in this style; the chosen button's index, or aborted.
int ask(Alerts& alerts, AlertSpec::Style style, const MemoryEditText::Words& words, const QStringList& buttons);

// The failure dialog of every change: a warning titled with what could not be done (`fallback`),
// reading the daemon's message when it gave one, else that it did not answer.
void report(Alerts& alerts, const Reply& reply, const QString& fallback);

} // namespace vesk::EditDialogs
