#include "Reply.h"

namespace vesk {

Reply Reply::failed(Failure why, const QString& message)
{
    Reply out;
    out.why = why == Failure::none ? Failure::noReply : why;
    if (why != Failure::refused || message.trimmed().isEmpty())
        return out;
    if (message.size() <= messageCap) {
        out.message = message;
        return out;
    }
    // Cut between whole characters: never half of a surrogate pair.
    qsizetype end = messageCap;
    if (message.at(end - 1).isHighSurrogate())
        --end;
    out.message = message.left(end) + QChar(0x2026);
    return out;
}

Failure Reply::failure() const
{
    return has_value() ? Failure::none : why;
}

std::optional<QString> Reply::daemonMessage() const
{
    if (has_value() || message.isEmpty())
        return std::nullopt;
    return message;
}

} // namespace vesk
