#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace vesk {

// Why a request brought no reply. What a window can say differs: the daemon was never asked
// (unsent, unreachable: nothing was done), it was asked and said nothing (noReply: it may have
// done it, so a change is checked before it is reported either way), it said no (refused, in its
// own words when it gave them), or it answered with something that is no reply to the request
// (malformed: not JSON, not an object, past the operation's size cap, or of another kind).
enum class Failure {
    none, // there is a reply
    unsent,
    unreachable,
    noReply,
    refused,
    malformed,
};

// A decoded daemon reply, or nothing and why. Nothing stands for every transport failure, a reply
// that is not an object, an object of a kind the operation does not answer with, and an object
// whose "kind" is "error"; it never means "empty". It reads as the optional it was before
// (`if (reply)`, `*reply`, `reply->value(…)`, passed where a std::optional<QJsonObject> is
// taken); failure() and daemonMessage() say what happened when there is none.
class Reply : public std::optional<QJsonObject> {
public:
    using std::optional<QJsonObject>::optional;
    Reply(std::optional<QJsonObject> object) // NOLINT(google-explicit-constructor): reads as one
        : std::optional<QJsonObject>(std::move(object))
    {
    }

    // Nothing, for this reason; a refusal keeps the daemon's message, cut to messageCap
    // characters (whole characters, marked with "…").
    static Reply failed(Failure why, const QString& message = {});

    // Failure::none exactly when there is a reply. Nothing without a known reason reads as
    // noReply: the daemon may have done it.
    Failure failure() const;
    // The daemon's own words when it refused the request with a non-blank "message", for a window
    // to show after its own title ("Could not rename that."); nothing otherwise. At most
    // messageCap characters, plus the "…" that marks a cut.
    std::optional<QString> daemonMessage() const;

    static constexpr qsizetype messageCap = 1000;

private:
    Failure why = Failure::noReply;
    QString message;
};

} // namespace vesk
