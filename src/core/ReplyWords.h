#pragma once

#include "Reply.h"

#include <QString>

namespace vesk {

// Why a request that has no reply failed, in the words a failure dialog shows when the daemon gave
// none of its own: not reached (nothing was asked), refused without a reason, an answer that could
// not be read, or `noAnswer` when it did not answer (it may have acted).
QString failureWords(const Reply& reply, const QString& noAnswer);

} // namespace vesk
