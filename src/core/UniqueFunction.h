#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace vesk {

template <class Signature> class UniqueFunction;

// A callable that can be moved but never copied: what it holds (a completion and whatever that
// keeps alive) has exactly one owner, so it is let go of where its owner is, never in a copy left
// behind on another thread.
template <class R, class... A> class UniqueFunction<R(A...)> {
public:
    UniqueFunction() = default;
    template <class F>
    requires(!std::is_same_v<std::decay_t<F>, UniqueFunction> && std::is_invocable_r_v<R, std::decay_t<F>&, A...>)
        UniqueFunction(F&& f) // NOLINT(google-explicit-constructor): stands in for a lambda
        : impl(std::make_unique<Holder<std::decay_t<F>>>(std::forward<F>(f)))
    {
    }
    UniqueFunction(UniqueFunction&&) noexcept = default;
    UniqueFunction& operator=(UniqueFunction&&) noexcept = default;

    explicit operator bool() const { return bool(impl); }
    R operator()(A... args) { return impl->call(std::forward<A>(args)...); }

private:
    struct Base {
        virtual ~Base() = default;
        virtual R call(A... args) = 0;
    };
    template <class F> struct Holder final : Base {
        template <class G>
        explicit Holder(G&& g)
            : f(std::forward<G>(g))
        {
        }
        R call(A... args) override { return std::invoke(f, std::forward<A>(args)...); }
        F f;
    };
    std::unique_ptr<Base> impl;
};

} // namespace vesk
