// Script values: a handle (`Val`) to one reference-counted, polymorphic value
// object. Every operation of the language is one virtual slot of `Val::Base`;
// `Val::Impl<T>` wraps one host value of type T and answers the slots that T
// supports (see `Ops<T>` below), refusing the rest.
//
// The language's own types: Null, bool, Int (`long`), char (one byte of a
// string), String (`std::string`), List (`std::vector<Val>`), Map
// (`std::map<Val, Val>`) and the iteration states of the last three.
//
// Values belong to one thread: counts are plain integers. What values hold
// counts against the scripts' memory limit (memory.hpp).
#pragma once

#include <kestrine/memory.hpp>

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <new>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

namespace kestrine {

// The tag type of the null value; its only value is zero.
enum class Null : int {};

class Val;

namespace detail {
// What a `Val` can be made from: any host value except a `Val` itself and C
// strings (those become Strings).
template <class T>
concept hostable = !std::is_same_v<std::remove_cvref_t<T>, Val> &&
                   !std::is_array_v<std::remove_reference_t<T>> &&
                   !std::is_same_v<std::decay_t<T>, const char*> &&
                   !std::is_same_v<std::decay_t<T>, char*>;
} // namespace detail

// Per-type customisation of the value protocol. The primary template is
// empty: a type answers a slot exactly when its `Ops` specialisation has the
// matching static function, otherwise the slot refuses with "object does not
// implement <op>()". The possible members (all optional):
//
//   static Val neg_(T const&);                 static Val not_(T const&);
//   static Val add_(T const&, Val const& r);   ... sub_ mul_ div_ mod_
//                                              shl_ shr_ and_ xor_ or_
//   static bool bol_(T const&) noexcept;       // default: bool(t) if T
//                                              // converts, else true
//   static bool eq_(T const&, T const&);       // default: t == u, else identity
//   static bool lt_(T const&, T const&);       // default: t < u, else address
//   static std::size_t size_(T const&);
//   static Val at_(T&, Val const& key);
//   static void at_(T&, Val const& key, Val const& value);
//   static bool next_(T&, Val& iter, Val& elem);
//   static Val call_(T const&, Val const* env, Val* argv, int argc);
//
// A host type may instead give itself a const member
// `Val call_(Val const* env, Val* argv, int argc) const` to be callable; such
// types print as "<func>". Specialisations must be visible before the first
// `Val` of the type is made.
template <class T> struct Ops {};

// The reference count of an `Impl<T>`.
template <class T> struct Ref_counter {
    std::int32_t ref_count = 1;
    void grab_() noexcept { ++ref_count; }
    bool drop_() noexcept { return --ref_count == 0; }
};

// Null is shared and never counted, so it is never freed.
template <> struct Ref_counter<Null> {
    void grab_() noexcept {}
    bool drop_() noexcept { return false; }
};

// Printing customisation point: a function object (stream, value, top).
// `top` is true for a value printed by itself, false inside a container.
template <class T> struct Print;

class Val {
public:
    class Base;
    template <class T> class Impl;

    // The shared Null object.
    static Base* empty_() noexcept;

    Val() noexcept;
    Val(Val const& o) noexcept;
    Val(Val&& o) noexcept;
    // Wraps a host value in a new object (count 1). Note: an Int is a `long`;
    // `Val(1)` makes an `int` value, which is not an Int.
    template <detail::hostable T> Val(T&& v);
    // A C string becomes a String.
    Val(const char* s);
    ~Val();

    Val& operator=(Val const& o) noexcept;
    Val& operator=(Val&& o) noexcept;
    template <detail::hostable T> Val& operator=(T&& v);

    // Dynamic type test: whether the object is an `Impl<T>` (always true for Val).
    template <class T> bool is() const noexcept;
    // The wrapped host value; "bad cast" when `is<T>()` does not hold.
    template <class T> T& get();
    template <class T> T const& get() const;
    // The same without the test.
    template <class T> T& get_unsafe() noexcept;
    template <class T> T const& get_unsafe() const noexcept;

    // Truth; never throws.
    operator bool() const noexcept;
    bool operator!() const noexcept;

    Val operator+(Val const& r) const;
    Val operator-(Val const& r) const;
    Val operator*(Val const& r) const;
    Val operator/(Val const& r) const;
    Val operator%(Val const& r) const;
    Val operator<<(Val const& r) const;
    Val operator>>(Val const& r) const;
    Val operator&(Val const& r) const;
    Val operator|(Val const& r) const;
    Val operator^(Val const& r) const;

    // The handle is set to the result; other holders keep the old object.
    Val& operator+=(Val const& r);
    Val& operator-=(Val const& r);
    Val& operator*=(Val const& r);
    Val& operator/=(Val const& r);
    Val& operator%=(Val const& r);
    Val& operator<<=(Val const& r);
    Val& operator>>=(Val const& r);
    Val& operator&=(Val const& r);
    Val& operator|=(Val const& r);
    Val& operator^=(Val const& r);

    Val operator~() const;
    Val operator-() const;

    bool operator==(Val const& r) const;
    bool operator!=(Val const& r) const;
    bool operator<(Val const& r) const;
    bool operator>(Val const& r) const;
    bool operator<=(Val const& r) const;
    bool operator>=(Val const& r) const;

    std::size_t size() const;
    Val at(Val const& key);
    void at(Val const& key, Val const& value);
    bool next(Val& iter, Val& elem);
    Val call(Val const* env, Val* argv, int argc) const;
    void print(std::ostream& o, bool top) const;

    // The object this handle points at (never null).
    Base* base() const noexcept { return base_; }

private:
    Base* base_;
};

// The value object protocol, in slot order. "r" is the right operand.
class Val::Base {
public:
    virtual ~Base() = default;
    virtual Base* grab_() noexcept = 0;
    virtual void drop_() noexcept = 0;
    virtual const char* name_() const = 0;
    virtual Val neg_() const = 0;
    virtual Val not_() const = 0;
    virtual Val add_(Val const& r) const = 0;
    virtual Val sub_(Val const& r) const = 0;
    virtual Val mul_(Val const& r) const = 0;
    virtual Val div_(Val const& r) const = 0;
    virtual Val mod_(Val const& r) const = 0;
    virtual Val shl_(Val const& r) const = 0;
    virtual Val shr_(Val const& r) const = 0;
    virtual Val and_(Val const& r) const = 0;
    virtual Val xor_(Val const& r) const = 0;
    virtual Val or_(Val const& r) const = 0;
    virtual bool bol_() const noexcept = 0;
    virtual bool eq_(Val const& r) const = 0;
    virtual bool ne_(Val const& r) const = 0;
    virtual bool lt_(Val const& r) const = 0;
    virtual bool gt_(Val const& r) const = 0;
    virtual bool le_(Val const& r) const = 0;
    virtual bool ge_(Val const& r) const = 0;
    virtual std::size_t size_() const = 0;
    virtual Val at_(Val const& key) = 0;
    virtual void at_(Val const& key, Val const& value) = 0;
    virtual bool next_(Val& iter, Val& elem) = 0;
    virtual Val call_(Val const* env, Val* argv, int argc) const = 0;
    virtual void print_(std::ostream& o, bool top) const = 0;
};

// The language's own types.
using Int = long;
using String = std::string;
using List = std::vector<Val, Counted_allocator<Val>>;
using Map = std::map<Val, Val, std::less<Val>, Counted_allocator<std::pair<Val const, Val>>>;

// Iteration states. Lists and strings keep an index, checked against the
// current size at every step, so a walk survives its container growing or
// shrinking under it.
struct List_iter {
    std::size_t index;
    auto operator<=>(List_iter const&) const = default;
};
struct String_iter {
    std::size_t index;
    auto operator<=>(String_iter const&) const = default;
};
// A map position remembers its map so a foreign state is refused. Map
// positions have no order of their own (ordered by object address).
struct Map_iter {
    Map const* owner;
    Map::const_iterator it;
    bool operator==(Map_iter const& o) const { return owner == o.owner && it == o.it; }
};

// Turns a host result into a value; a `Val` passes through unchanged.
template <class T> Val make_val(T&& v);

// Prints the value in its top-level form.
std::ostream& operator<<(std::ostream& o, Val const& v);

namespace detail {

[[noreturn]] void refuse(const char* op);
[[noreturn]] void bad_cast();
[[noreturn]] void index_out_of_range();
[[noreturn]] void division_by_zero();

// Small value objects come from per-size free lists (bypassed under the
// address sanitizer so it still sees every object's lifetime). The lists
// are charged to the memory limit a chunk at a time and keep their chunks;
// each list counts its blocks, so what a thread's
// lists hold idle is known at once. Objects outside the lists are counted
// one by one.
#if defined(__SANITIZE_ADDRESS__)
#define KESTRINE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRINE_POOL 0
#endif
#endif
#ifndef KESTRINE_POOL
#define KESTRINE_POOL 1
#endif

inline constexpr std::size_t pool_grain = 16;
inline constexpr std::size_t pool_classes = 4; // blocks of 16 to 64 bytes
struct Pool_block {
    Pool_block* next;
};
inline constinit thread_local Pool_block* pool_heads[pool_classes] = {};
inline constinit thread_local std::size_t pool_idle[pool_classes] = {}; // blocks on each list
Pool_block* pool_refill(std::size_t cls);

inline void* pool_alloc(std::size_t n) {
#if KESTRINE_POOL
    if (n <= pool_grain * pool_classes) {
        std::size_t c = (n - 1) / pool_grain;
        Pool_block* b = pool_heads[c];
        if (!b)
            b = pool_refill(c);
        pool_heads[c] = b->next;
        --pool_idle[c];
        return b;
    }
#endif
    return new_value(n);
}

inline void pool_free(void* p, [[maybe_unused]] std::size_t n) noexcept {
#if KESTRINE_POOL
    if (n <= pool_grain * pool_classes) {
        std::size_t c = (n - 1) / pool_grain;
        auto* b = static_cast<Pool_block*>(p);
        b->next = pool_heads[c];
        pool_heads[c] = b;
        ++pool_idle[c];
        return;
    }
#endif
    delete_value(p, n);
}

// The storage that a value holds outside its object and charges while it
// lives. Lists and maps charge through their allocator as they grow; a
// String is charged for the buffer it is made with, in 16-byte units (host
// code that grows one in place is not counted, but what was charged is what
// is given back).
template <class T> struct Held {
    constexpr explicit Held(T const&) noexcept {}
};
template <> struct Held<String> {
    std::uint32_t units;
    explicit Held(String const& s);
    ~Held() { uncharge(std::size_t{units} * 16); }
    Held(Held const&) = delete;
    Held& operator=(Held const&) = delete;
};

// Containers are destroyed through a work list, so freeing a deep nest does
// not recurse on the C++ stack.
template <class T> inline constexpr bool deferred_release = false;
template <> inline constexpr bool deferred_release<List> = true;
template <> inline constexpr bool deferred_release<Map> = true;
void release_deferred(Val::Base* b) noexcept;

// Guards the recursion of container comparisons ("nesting too deep").
inline thread_local int compare_depth = 0;
inline constexpr int max_compare_depth = 1000;
[[noreturn]] void nesting_too_deep();
struct Depth_guard {
    Depth_guard() {
        if (++compare_depth > max_compare_depth) {
            --compare_depth;
            nesting_too_deep();
        }
    }
    ~Depth_guard() { --compare_depth; }
    Depth_guard(Depth_guard const&) = delete;
    Depth_guard& operator=(Depth_guard const&) = delete;
};

template <class T>
concept member_callable = requires(T const& t, Val const* e, Val* a, int n) {
    { t.call_(e, a, n) } -> std::convertible_to<Val>;
};
template <class T>
concept ops_callable = requires(T const& t, Val const* e, Val* a, int n) {
    { Ops<T>::call_(t, e, a, n) } -> std::convertible_to<Val>;
};

inline bool addr_less(void const* a, void const* b) noexcept {
    return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
}

} // namespace detail

// Default printing: integers in decimal, callables "<func>", anything else
// "<?>". The language's types are specialised below.
template <class T> struct Print {
    void operator()(std::ostream& o, T const& v, bool top) const;
};

template <class T> class Val::Impl final : public Val::Base {
public:
    T data_;
    Ref_counter<T> ref_count_;
    [[no_unique_address]] detail::Held<T> held_;

    template <class... A>
    constexpr explicit Impl(A&&... a) : data_(std::forward<A>(a)...), ref_count_(), held_(data_) {}

    static void* operator new(std::size_t n) {
        if constexpr (alignof(Impl) <= detail::pool_grain)
            return detail::pool_alloc(n);
        else
            return detail::new_value(n, std::align_val_t(alignof(Impl)));
    }
    static void operator delete(void* p, std::size_t n) noexcept {
        if constexpr (alignof(Impl) <= detail::pool_grain)
            detail::pool_free(p, n);
        else
            detail::delete_value(p, n, std::align_val_t(alignof(Impl)));
    }

    Base* grab_() noexcept override {
        ref_count_.grab_();
        return this;
    }
    void drop_() noexcept override {
        if (ref_count_.drop_()) {
            if constexpr (detail::deferred_release<T>)
                detail::release_deferred(this);
            else
                delete this;
        }
    }
    const char* name_() const override { return typeid(T).name(); }

#define KESTRINE_UNARY(slot, opname)                                                     \
    Val slot() const override {                                                          \
        if constexpr (requires(T const& a) { Ops<T>::slot(a); })                         \
            return Ops<T>::slot(data_);                                                  \
        else                                                                             \
            detail::refuse(opname);                                                      \
    }
#define KESTRINE_BINARY(slot, opname)                                                    \
    Val slot(Val const& r) const override {                                              \
        if constexpr (requires(T const& a, Val const& b) { Ops<T>::slot(a, b); })        \
            return Ops<T>::slot(data_, r);                                               \
        else                                                                             \
            detail::refuse(opname);                                                      \
    }
    KESTRINE_UNARY(neg_, "neg")
    KESTRINE_UNARY(not_, "not")
    KESTRINE_BINARY(add_, "add")
    KESTRINE_BINARY(sub_, "sub")
    KESTRINE_BINARY(mul_, "mul")
    KESTRINE_BINARY(div_, "div")
    KESTRINE_BINARY(mod_, "mod")
    KESTRINE_BINARY(shl_, "shl")
    KESTRINE_BINARY(shr_, "shr")
    KESTRINE_BINARY(and_, "and")
    KESTRINE_BINARY(xor_, "xor")
    KESTRINE_BINARY(or_, "or")
#undef KESTRINE_UNARY
#undef KESTRINE_BINARY

    bool bol_() const noexcept override {
        if constexpr (requires(T const& a) { Ops<T>::bol_(a); })
            return Ops<T>::bol_(data_);
        else if constexpr (requires(T const& a) { static_cast<bool>(a); })
            return static_cast<bool>(data_);
        else
            return true;
    }

    bool eq_(Val const& r) const override {
        // Objects of different classes are never the same object.
        return r.is<T>() && same_equal(r);
    }
    bool ne_(Val const& r) const override { return !eq_(r); }
    bool lt_(Val const& r) const override { return less(this, r.base()); }
    bool gt_(Val const& r) const override { return less(r.base(), this); }
    bool le_(Val const& r) const override { return !less(r.base(), this); }
    bool ge_(Val const& r) const override { return !less(this, r.base()); }

    std::size_t size_() const override {
        if constexpr (requires(T const& a) { Ops<T>::size_(a); })
            return Ops<T>::size_(data_);
        else
            detail::refuse("size");
    }
    Val at_(Val const& key) override {
        if constexpr (requires(T& a, Val const& k) { Ops<T>::at_(a, k); })
            return Ops<T>::at_(data_, key);
        else
            detail::refuse("at");
    }
    void at_(Val const& key, Val const& value) override {
        if constexpr (requires(T& a, Val const& k) { Ops<T>::at_(a, k, k); })
            Ops<T>::at_(data_, key, value);
        else
            detail::refuse("at");
    }
    bool next_(Val& iter, Val& elem) override {
        if constexpr (requires(T& a, Val& s) { Ops<T>::next_(a, s, s); })
            return Ops<T>::next_(data_, iter, elem);
        else
            detail::refuse("next");
    }
    Val call_(Val const* env, Val* argv, int argc) const override {
        if constexpr (detail::ops_callable<T>)
            return Ops<T>::call_(data_, env, argv, argc);
        else if constexpr (detail::member_callable<T>)
            return data_.call_(env, argv, argc);
        else
            detail::refuse("call");
    }
    void print_(std::ostream& o, bool top) const override { Print<T>{}(o, data_, top); }

private:
    bool same_equal(Val const& r) const {
        auto const& o = static_cast<Impl const&>(*r.base());
        if constexpr (requires(T const& a) { Ops<T>::eq_(a, a); })
            return Ops<T>::eq_(data_, o.data_);
        else if constexpr (requires(T const& a) {
                               { a == a } -> std::convertible_to<bool>;
                           })
            return static_cast<bool>(data_ == o.data_);
        else
            return this == &o;
    }
    // The order of the comparison rule: same class by the type's relation,
    // anything else by object address.
    static bool less(Base const* a, Base const* b) {
        if (typeid(*a) != typeid(*b))
            return detail::addr_less(a, b);
        auto const& x = static_cast<Impl const&>(*a);
        auto const& y = static_cast<Impl const&>(*b);
        if constexpr (requires(T const& t) { Ops<T>::lt_(t, t); })
            return Ops<T>::lt_(x.data_, y.data_);
        else if constexpr (requires(T const& t) {
                               { t < t } -> std::convertible_to<bool>;
                           })
            return std::less<T>{}(x.data_, y.data_);
        else
            return detail::addr_less(a, b);
    }
};

// ---- The language's types ----

template <> struct Ops<Int> {
    static Val neg_(Int a);
    static Val not_(Int a);
    static Val add_(Int a, Val const& r);
    static Val sub_(Int a, Val const& r);
    static Val mul_(Int a, Val const& r);
    static Val div_(Int a, Val const& r);
    static Val mod_(Int a, Val const& r);
    static Val shl_(Int a, Val const& r);
    static Val shr_(Int a, Val const& r);
    static Val and_(Int a, Val const& r);
    static Val xor_(Int a, Val const& r);
    static Val or_(Int a, Val const& r);
};

template <> struct Ops<char> {
    // Bytes order as signed 8-bit numbers on every platform.
    static bool lt_(char a, char b) noexcept {
        return static_cast<signed char>(a) < static_cast<signed char>(b);
    }
};

template <> struct Ops<String> {
    static Val add_(String const& a, Val const& r);
    static bool bol_(String const& a) noexcept { return !a.empty(); }
    static std::size_t size_(String const& a) { return a.size(); }
    static Val at_(String& a, Val const& key);
    static void at_(String& a, Val const& key, Val const& value);
    static bool next_(String& a, Val& iter, Val& elem);
};

template <> struct Ops<List> {
    static bool bol_(List const& a) noexcept { return !a.empty(); }
    static bool eq_(List const& a, List const& b);
    static bool lt_(List const& a, List const& b);
    static std::size_t size_(List const& a) { return a.size(); }
    static Val at_(List& a, Val const& key);
    static void at_(List& a, Val const& key, Val const& value);
    static bool next_(List& a, Val& iter, Val& elem);
};

template <> struct Ops<Map> {
    static bool bol_(Map const& a) noexcept { return !a.empty(); }
    static bool eq_(Map const& a, Map const& b);
    static bool lt_(Map const& a, Map const& b);
    static std::size_t size_(Map const& a) { return a.size(); }
    static Val at_(Map& a, Val const& key);
    static void at_(Map& a, Val const& key, Val const& value);
    static bool next_(Map& a, Val& iter, Val& elem);
};

template <> struct Print<Val> {
    void operator()(std::ostream& o, Val const& v, bool top) const { v.print(o, top); }
};
template <> struct Print<Null> {
    void operator()(std::ostream& o, Null, bool top) const;
};
template <> struct Print<bool> {
    void operator()(std::ostream& o, bool v, bool top) const;
};
template <> struct Print<Int> {
    void operator()(std::ostream& o, Int v, bool top) const;
};
template <> struct Print<char> {
    void operator()(std::ostream& o, char v, bool top) const;
};
template <> struct Print<String> {
    void operator()(std::ostream& o, String const& v, bool top) const;
};
// Lists and maps show one level: nested non-empty containers print as
// "[...]" and "{...}".
template <> struct Print<List> {
    Print<Val> elem;
    void operator()(std::ostream& o, List const& v, bool top) const;
};
template <> struct Print<Map> {
    Print<Val> key;
    Print<Val> val;
    void operator()(std::ostream& o, Map const& v, bool top) const;
};
template <> struct Print<List_iter> {
    void operator()(std::ostream& o, List_iter const&, bool top) const;
};
template <> struct Print<String_iter> {
    void operator()(std::ostream& o, String_iter const&, bool top) const;
};
template <> struct Print<Map_iter> {
    void operator()(std::ostream& o, Map_iter const&, bool top) const;
};

namespace detail {
void print_text(std::ostream& o, const char* text);
void print_integer(std::ostream& o, long long v);
void print_unsigned(std::ostream& o, unsigned long long v);
} // namespace detail

template <class T> void Print<T>::operator()(std::ostream& o, T const& v, bool) const {
    if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        detail::print_integer(o, v);
    else if constexpr (std::is_integral_v<T>)
        detail::print_unsigned(o, v);
    else if constexpr (detail::member_callable<T> || detail::ops_callable<T>)
        detail::print_text(o, "<func>");
    else
        detail::print_text(o, "<?>");
}

// ---- The shared Null ----

namespace detail {
// Constant-initialised and never destroyed: handles in other static objects
// may still drop it during program exit.
union Null_holder {
    Val::Impl<Null> object;
    constexpr Null_holder() : object() {}
    ~Null_holder() {}
};
inline constinit Null_holder null_holder{};
} // namespace detail

// ---- Handle operations ----

inline Val::Base* Val::empty_() noexcept { return &detail::null_holder.object; }

inline Val::Val() noexcept : base_(empty_()) {}
inline Val::Val(Val const& o) noexcept : base_(o.base_->grab_()) {}
inline Val::Val(Val&& o) noexcept : base_(o.base_) { o.base_ = empty_(); }

template <detail::hostable T>
inline Val::Val(T&& v) : base_(new Impl<std::remove_cvref_t<T>>(std::forward<T>(v))) {}

inline Val::Val(const char* s) : base_(new Impl<String>(s ? s : "")) {}

inline Val::~Val() { base_->drop_(); }

inline Val& Val::operator=(Val const& o) noexcept {
    Base* n = o.base_->grab_();
    base_->drop_();
    base_ = n;
    return *this;
}

inline Val& Val::operator=(Val&& o) noexcept {
    std::swap(base_, o.base_);
    return *this;
}

template <detail::hostable T>
inline Val& Val::operator=(T&& v) {
    Base* n = new Impl<std::remove_cvref_t<T>>(std::forward<T>(v));
    base_->drop_();
    base_ = n;
    return *this;
}

template <class T> inline bool Val::is() const noexcept {
    if constexpr (std::is_same_v<T, Val>)
        return true;
    else
        return typeid(*base_) == typeid(Impl<T>);
}

template <class T> inline T& Val::get() {
    if constexpr (std::is_same_v<T, Val>) {
        return *this;
    } else {
        if (!is<T>())
            detail::bad_cast();
        return static_cast<Impl<T>*>(base_)->data_;
    }
}

template <class T> inline T const& Val::get() const {
    if constexpr (std::is_same_v<T, Val>) {
        return *this;
    } else {
        if (!is<T>())
            detail::bad_cast();
        return static_cast<Impl<T> const*>(base_)->data_;
    }
}

template <class T> inline T& Val::get_unsafe() noexcept {
    if constexpr (std::is_same_v<T, Val>)
        return *this;
    else
        return static_cast<Impl<T>*>(base_)->data_;
}

template <class T> inline T const& Val::get_unsafe() const noexcept {
    if constexpr (std::is_same_v<T, Val>)
        return *this;
    else
        return static_cast<Impl<T> const*>(base_)->data_;
}

inline Val::operator bool() const noexcept { return base_->bol_(); }
inline bool Val::operator!() const noexcept { return !base_->bol_(); }

inline Val Val::operator+(Val const& r) const { return base_->add_(r); }
inline Val Val::operator-(Val const& r) const { return base_->sub_(r); }
inline Val Val::operator*(Val const& r) const { return base_->mul_(r); }
inline Val Val::operator/(Val const& r) const { return base_->div_(r); }
inline Val Val::operator%(Val const& r) const { return base_->mod_(r); }
inline Val Val::operator<<(Val const& r) const { return base_->shl_(r); }
inline Val Val::operator>>(Val const& r) const { return base_->shr_(r); }
inline Val Val::operator&(Val const& r) const { return base_->and_(r); }
inline Val Val::operator|(Val const& r) const { return base_->or_(r); }
inline Val Val::operator^(Val const& r) const { return base_->xor_(r); }

inline Val& Val::operator+=(Val const& r) { return *this = base_->add_(r); }
inline Val& Val::operator-=(Val const& r) { return *this = base_->sub_(r); }
inline Val& Val::operator*=(Val const& r) { return *this = base_->mul_(r); }
inline Val& Val::operator/=(Val const& r) { return *this = base_->div_(r); }
inline Val& Val::operator%=(Val const& r) { return *this = base_->mod_(r); }
inline Val& Val::operator<<=(Val const& r) { return *this = base_->shl_(r); }
inline Val& Val::operator>>=(Val const& r) { return *this = base_->shr_(r); }
inline Val& Val::operator&=(Val const& r) { return *this = base_->and_(r); }
inline Val& Val::operator|=(Val const& r) { return *this = base_->or_(r); }
inline Val& Val::operator^=(Val const& r) { return *this = base_->xor_(r); }

inline Val Val::operator~() const { return base_->not_(); }
inline Val Val::operator-() const { return base_->neg_(); }

inline bool Val::operator==(Val const& r) const { return base_->eq_(r); }
inline bool Val::operator!=(Val const& r) const { return base_->ne_(r); }
inline bool Val::operator<(Val const& r) const { return base_->lt_(r); }
inline bool Val::operator>(Val const& r) const { return base_->gt_(r); }
inline bool Val::operator<=(Val const& r) const { return base_->le_(r); }
inline bool Val::operator>=(Val const& r) const { return base_->ge_(r); }

inline std::size_t Val::size() const { return base_->size_(); }
inline Val Val::at(Val const& key) { return base_->at_(key); }
inline void Val::at(Val const& key, Val const& value) { base_->at_(key, value); }
inline bool Val::next(Val& iter, Val& elem) { return base_->next_(iter, elem); }
inline Val Val::call(Val const* env, Val* argv, int argc) const {
    return base_->call_(env, argv, argc);
}
inline void Val::print(std::ostream& o, bool top) const { base_->print_(o, top); }

template <class T> inline Val make_val(T&& v) { return Val(std::forward<T>(v)); }

// ---- Int arithmetic (inline: the machine's hot path) ----

inline Val Ops<Int>::neg_(Int a) {
    return Val(static_cast<Int>(0UL - static_cast<unsigned long>(a)));
}
inline Val Ops<Int>::not_(Int a) { return Val(~a); }
inline Val Ops<Int>::add_(Int a, Val const& r) {
    return Val(static_cast<Int>(static_cast<unsigned long>(a) +
                                static_cast<unsigned long>(r.get<Int>())));
}
inline Val Ops<Int>::sub_(Int a, Val const& r) {
    return Val(static_cast<Int>(static_cast<unsigned long>(a) -
                                static_cast<unsigned long>(r.get<Int>())));
}
inline Val Ops<Int>::mul_(Int a, Val const& r) {
    return Val(static_cast<Int>(static_cast<unsigned long>(a) *
                                static_cast<unsigned long>(r.get<Int>())));
}
inline Val Ops<Int>::div_(Int a, Val const& r) {
    Int b = r.get<Int>();
    if (b == 0)
        detail::division_by_zero();
    if (b == -1) // the most negative Int wraps to itself
        return Val(static_cast<Int>(0UL - static_cast<unsigned long>(a)));
    return Val(a / b);
}
inline Val Ops<Int>::mod_(Int a, Val const& r) {
    Int b = r.get<Int>();
    if (b == 0)
        detail::division_by_zero();
    if (b == -1)
        return Val(Int{0});
    return Val(a % b);
}
inline Val Ops<Int>::shl_(Int a, Val const& r) {
    Int b = r.get<Int>();
    return Val(static_cast<Int>(static_cast<unsigned long>(a) << (b & 63)));
}
inline Val Ops<Int>::shr_(Int a, Val const& r) {
    Int b = r.get<Int>();
    return Val(static_cast<Int>(a >> (b & 63)));
}
inline Val Ops<Int>::and_(Int a, Val const& r) { return Val(static_cast<Int>(a & r.get<Int>())); }
inline Val Ops<Int>::xor_(Int a, Val const& r) { return Val(static_cast<Int>(a ^ r.get<Int>())); }
inline Val Ops<Int>::or_(Int a, Val const& r) { return Val(static_cast<Int>(a | r.get<Int>())); }

} // namespace kestrine
