#pragma once

#include <QtGlobal>
#include <memory>
#include <utility>

namespace vesk {

// The stale-reply counter of one column: every view change takes the next ticket, and a reply is
// applied only while the ticket it was sent with is still the latest. Tickets share the counter,
// so a completion may safely outlive the column that handed its ticket out. Main thread only.
class Generation {
public:
    class Ticket {
    public:
        bool current() const { return *counter == value; }

    private:
        friend class Generation;
        Ticket(std::shared_ptr<const quint64> counter, quint64 value)
            : counter(std::move(counter))
            , value(value)
        {
        }
        std::shared_ptr<const quint64> counter;
        quint64 value;
    };

    Generation() = default;
    Generation(const Generation&) = delete;
    Generation& operator=(const Generation&) = delete;

    // Moves on: every ticket handed out before is stale from now on.
    Ticket next()
    {
        ++*counter;
        return ticket();
    }
    // A ticket for the view on screen now.
    Ticket ticket() const { return Ticket(counter, *counter); }

private:
    std::shared_ptr<quint64> counter = std::make_shared<quint64>(0);
};

// A completion that runs `work` with its arguments only while `ticket` is current: a view the user
// has left but that still exists (its deletion waits for the event loop) drops its late reply.
template <class Work> auto whileCurrent(Generation::Ticket ticket, Work work)
{
    return [ticket = std::move(ticket), work = std::move(work)](auto&&... args) mutable {
        if (ticket.current())
            work(std::forward<decltype(args)>(args)...);
    };
}

} // namespace vesk
