// Event properties: a delegate that holds an object and a method, or any callable. Delegates can
// be assigned, cleared, tested, copied and compared for identity, so code can check whether a
// handler is its own before it swaps it and later put the old one back.
#pragma once

#include <atomic>
#include <cstring>
#include <functional>
#include <utility>

namespace events_detail {
// One counter for every callable assigned to any delegate type, so that two different callables
// never share an identity.
inline unsigned long long NextCallableId() {
    static std::atomic<unsigned long long> next{1};
    return next++;
}
}  // namespace events_detail

template <class Sig>
class TEvent;

template <class R, class... A>
class TEvent<R(A...)> {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}

    // Object and method: the identity is the pair, so two delegates made from the same object
    // and method compare equal.
    template <class C, class B>
    TEvent(C* obj, R (B::*method)(A...)) {
        static_assert(std::is_base_of_v<B, C>);
        B* target = obj;
        fn_ = [target, method](A... args) -> R { return (target->*method)(std::forward<A>(args)...); };
        object_ = target;
        static_assert(sizeof(method) <= sizeof(code_));
        std::memcpy(code_, &method, sizeof(method));
    }

    // Any callable: each assignment gets an identity of its own that copies share.
    template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F&, A...> &&
                                                !std::is_same_v<std::decay_t<F>, TEvent>>>
    TEvent(F f) : fn_(std::move(f)) {
        unsigned long long id = events_detail::NextCallableId();
        std::memcpy(code_, &id, sizeof(id));
    }

    explicit operator bool() const { return static_cast<bool>(fn_); }
    bool Assigned() const { return static_cast<bool>(fn_); }
    void Clear() { *this = TEvent(); }

    R operator()(A... args) const { return fn_(std::forward<A>(args)...); }

    // The object of an object-and-method delegate (the framework's TMethod.Data).
    const void* Data() const { return object_; }

    bool operator==(const TEvent& o) const {
        if (!fn_ || !o.fn_) return !fn_ && !o.fn_;
        return object_ == o.object_ && std::memcmp(code_, o.code_, sizeof(code_)) == 0;
    }
    bool operator!=(const TEvent& o) const { return !(*this == o); }
    bool operator==(std::nullptr_t) const { return !fn_; }
    bool operator!=(std::nullptr_t) const { return static_cast<bool>(fn_); }

private:
    std::function<R(A...)> fn_;
    const void* object_ = nullptr;
    alignas(void*) unsigned char code_[2 * sizeof(void*)] = {};
};

class TObject;
using TNotifyEvent = TEvent<void(TObject* Sender)>;
