#pragma once

#include <QtGlobal>
#include <memory>
#include <utility>

namespace vesk {

// Latest-request-wins for the replies about one piece of data. Requests answer side by side, so
// an older reply can arrive after a newer one: a reply is applied only while it is the newest word
// on the data, that is when no reply to a later request was applied before it and no change to
// the data was confirmed after it was asked for (a read sent before a confirmed write would put
// the old value back). Completions may outlive the object that hands them out. Main thread only.
class Latest {
public:
    Latest() = default;
    Latest(const Latest&) = delete;
    Latest& operator=(const Latest&) = delete;

    // A completion, made when its request is sent, that runs `work` with its arguments only while
    // no newer word on the data has been taken.
    template <class Work> auto whenNewest(Work work)
    {
        return [state = state, asked = ++state->sent, work = std::move(work)](auto&&... args) mutable {
            if (asked <= state->taken)
                return;
            state->taken = asked;
            work(std::forward<decltype(args)>(args)...);
        };
    }

    // The data changed by other means (a write the daemon confirmed), or the view waiting for it
    // went away: the replies to every request sent so far are stale.
    void supersede() { state->taken = state->sent; }

    // A request is out whose reply would still be applied.
    bool waiting() const { return state->sent > state->taken; }

private:
    struct State {
        quint64 sent = 0;
        quint64 taken = 0;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
};

} // namespace vesk
