#include "ReplyWords.h"

namespace vesk {

QString failureWords(const Reply& reply, const QString& noAnswer)
{
    switch (reply.failure()) {
    case Failure::unsent:
    case Failure::unreachable:
        return QStringLiteral("Vesk could not reach the daemon, so nothing was asked.");
    case Failure::refused:
        return QStringLiteral("The daemon refused without giving a reason.");
    case Failure::malformed:
        return QStringLiteral("The daemon's reply could not be read.");
    case Failure::none:
    case Failure::noReply:
        break;
    }
    return noAnswer;
}

} // namespace vesk
