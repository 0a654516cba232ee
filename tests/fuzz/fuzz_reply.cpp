// Any bytes a daemon may send as a reply: decoding never crashes, and what it delivers obeys the
// reply rules. Every reading helper is run over every key of a delivered reply.
#include "Json.h"
#include "Wire.h"

#include <cstdint>
#include <cstdlib>

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Reply reply = Wire::decodeReply(bytes);
    if (!reply)
        return 0;
    if (!reply->isEmpty() && Json::isKind(reply, u"error"))
        std::abort();
    for (auto it = reply->begin(); it != reply->end(); ++it) {
        const QString key = it.key();
        (void)Json::integer(*reply, key);
        if (auto n = Json::numberAsInteger(*reply, key); n && !Json::number(*reply, key))
            std::abort(); // an integer reading needs a finite number underneath
        if (auto i = Json::integer(*reply, key); i && Json::numberAsInteger(*reply, key) != i)
            std::abort(); // a whole number reads the same both ways
        (void)Json::boolean(*reply, key);
        (void)Json::nonEmptyString(*reply, key);
        (void)Json::objects(*reply, key);
        (void)Json::arrays(*reply, key);
        (void)Json::integers(*reply, key);
    }
    return 0;
}
