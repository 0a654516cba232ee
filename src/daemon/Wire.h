#pragma once

#include "DaemonClient.h"

#include <QByteArray>
#include <QList>
#include <optional>

// The byte-level rules of the protocol, kept free of sockets so they can be tested and fuzzed.
namespace vesk::Wire {

// Decodes a whole reply buffer. Not JSON or not an object is a malformed reply, an object whose
// "kind" is the string "error" a refusal (with its "message" when it is a string); {} is a reply,
// unless an `expected` kind is given: then an object of any other kind (or none) is malformed.
// `isObject`, when given, tells whether the bytes were a JSON object at all.
Reply decodeReply(const QByteArray& bytes, QLatin1StringView expected = {}, bool* isObject = nullptr);

// A capture line of the watch stream as a state; nothing for every line that is to be skipped.
std::optional<DaemonClient::Known> parseWatchLine(const QByteArray& line);

// Cuts a byte stream into lines at line feeds; a partial line waits for the rest. A line longer
// than the cap is never held: the splitter drops it, reports the overflow and takes nothing more.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype cap)
        : cap(cap)
    {
    }
    // Appends the bytes and returns the complete lines now available, without their line feeds.
    QList<QByteArray> feed(const char* data, qsizetype size);
    qsizetype pending() const { return buffer.size(); }
    bool overflowed() const { return overflow; }

private:
    QByteArray buffer;
    qsizetype cap;
    bool overflow = false;
};

} // namespace vesk::Wire
