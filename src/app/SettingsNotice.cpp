#include "SettingsNotice.h"

#include "Alerts.h"
#include "Defaults.h"
#include "PresentationMode.h"

#include <QTimer>

namespace vesk {

SettingsNotice::SettingsNotice(Defaults& defaults, PresentationMode& presentation, Alerts& alerts, QObject* parent)
    : QObject(parent)
    , presentation(presentation)
    , alerts(alerts)
{
    connect(&defaults, &Defaults::saveFailed, this, [this](const QString& why) {
        if (told || reason)
            return;
        reason = why;
        QTimer::singleShot(0, this, &SettingsNotice::tell);
    });
    connect(&presentation, &PresentationMode::changed, this, &SettingsNotice::tell, Qt::QueuedConnection);
}

void SettingsNotice::tell()
{
    if (!reason || told || presentation.isEnabled())
        return;
    told = true;
    AlertSpec notice;
    notice.style = AlertSpec::Style::warning;
    notice.title = QStringLiteral("Vesk could not save your settings");
    notice.text = QStringLiteral("Your settings could not be saved: ") + *reason
        + QStringLiteral(". Vesk keeps working with your choices until it quits, but they will be lost then.");
    notice.buttons = {QStringLiteral("OK")};
    alerts.run(notice);
}

} // namespace vesk
