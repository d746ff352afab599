#include <kestrine/val.hpp>

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

namespace kestrine {

namespace detail {

void refuse(const char* op) {
    throw std::runtime_error(std::string("object does not implement ") + op + "()");
}

void bad_cast() { throw std::runtime_error("bad cast"); }

void index_out_of_range() { throw std::runtime_error("index out of range"); }

void division_by_zero() { throw std::runtime_error("division by zero"); }

void nesting_too_deep() { throw std::runtime_error("nesting too deep"); }

Pool_block* pool_refill(std::size_t cls) {
    // Carve one chunk into blocks of the class's size. Chunks are never
    // returned: the lists only grow to the thread's peak number of values,
    // and that peak stays charged.
    constexpr std::size_t chunk = 16384;
    std::size_t size = (cls + 1) * pool_grain;
    std::size_t count = chunk / size;
    charge(footprint(count * size));
    unsigned char* base;
    try {
        base = static_cast<unsigned char*>(::operator new(count * size));
    } catch (...) {
        uncharge(footprint(count * size));
        throw;
    }
    Pool_block* head = nullptr;
    for (std::size_t i = count; i-- > 0;) {
        auto* b = reinterpret_cast<Pool_block*>(base + i * size);
        b->next = head;
        head = b;
    }
    pool_idle[cls] += count;
    return head;
}

std::size_t pool_idle_bytes() noexcept {
    std::size_t idle = 0;
    for (std::size_t c = 0; c < pool_classes; ++c)
        idle += pool_idle[c] * (c + 1) * pool_grain;
    return idle;
}

Held<String>::Held(String const& s) : units(0) {
    // A short string lives inside its object, which is charged already.
    auto const* text = s.data();
    auto const* self = reinterpret_cast<char const*>(&s);
    std::less<char const*> before;
    if (!before(text, self) && before(text, self + sizeof s))
        return;
    std::size_t bytes = footprint(s.capacity() + 1);
    if (bytes / 16 > UINT32_MAX)
        out_of_memory();
    charge(bytes);
    units = static_cast<std::uint32_t>(bytes / 16);
}

namespace {
// The work list of the container being released, when there is one.
thread_local std::vector<Val::Base*>* release_list = nullptr;
} // namespace

void release_deferred(Val::Base* b) noexcept {
    if (release_list) {
        // A container inside a container being freed: free it later, from
        // the loop below, instead of recursing.
        release_list->push_back(b);
        return;
    }
    std::vector<Val::Base*> pending;
    release_list = &pending;
    delete b;
    while (!pending.empty()) {
        Val::Base* next = pending.back();
        pending.pop_back();
        delete next;
    }
    release_list = nullptr;
}

void print_text(std::ostream& o, const char* text) { o << text; }
void print_integer(std::ostream& o, long long v) { o << v; }
void print_unsigned(std::ostream& o, unsigned long long v) { o << v; }

namespace {

// A subscript key as a position, negative keys counting from the end.
std::size_t position(Val const& key, std::size_t size) {
    Int i = key.get<Int>();
    if (i < 0)
        i += static_cast<Int>(size);
    if (i < 0 || static_cast<std::size_t>(i) >= size)
        index_out_of_range();
    return static_cast<std::size_t>(i);
}

} // namespace

} // namespace detail

// ---- String ----

// What a String holds charged fits the padding of its object.
static_assert(sizeof(Val::Impl<String>) == sizeof(void*) + sizeof(String) + 8);
static_assert(sizeof(Val::Impl<Int>) == sizeof(void*) + sizeof(Int) + 8);

Val Ops<String>::add_(String const& a, Val const& r) {
    String const& b = r.get<String>();
    // Refused before the copy costs anything.
    detail::check_room(detail::footprint(a.size() + b.size() + 1));
    String s;
    s.reserve(a.size() + b.size());
    s += a;
    s += b;
    return Val(std::move(s));
}

Val Ops<String>::at_(String& a, Val const& key) { return Val(a[detail::position(key, a.size())]); }

void Ops<String>::at_(String& a, Val const& key, Val const& value) {
    std::size_t i = detail::position(key, a.size());
    a[i] = value.get<char>();
}

bool Ops<String>::next_(String& a, Val& iter, Val& elem) {
    std::size_t i = iter ? iter.get<String_iter>().index + 1 : 0;
    if (i >= a.size())
        return false;
    Val c(a[i]);
    iter = String_iter{i};
    elem = std::move(c);
    return true;
}

// ---- List ----

bool Ops<List>::eq_(List const& a, List const& b) {
    detail::Depth_guard guard;
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

bool Ops<List>::lt_(List const& a, List const& b) {
    detail::Depth_guard guard;
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] < b[i])
            return true;
        if (b[i] < a[i])
            return false;
    }
    return a.size() < b.size();
}

Val Ops<List>::at_(List& a, Val const& key) { return a[detail::position(key, a.size())]; }

void Ops<List>::at_(List& a, Val const& key, Val const& value) {
    a[detail::position(key, a.size())] = value;
}

bool Ops<List>::next_(List& a, Val& iter, Val& elem) {
    std::size_t i = iter ? iter.get<List_iter>().index + 1 : 0;
    if (i >= a.size())
        return false;
    iter = List_iter{i};
    elem = a[i];
    return true;
}

// ---- Map ----

bool Ops<Map>::eq_(Map const& a, Map const& b) {
    detail::Depth_guard guard;
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (!(i->first == j->first) || !(i->second == j->second))
            return false;
    return true;
}

bool Ops<Map>::lt_(Map const& a, Map const& b) {
    detail::Depth_guard guard;
    auto i = a.begin();
    auto j = b.begin();
    for (; i != a.end() && j != b.end(); ++i, ++j) {
        if (i->first < j->first)
            return true;
        if (j->first < i->first)
            return false;
        if (i->second < j->second)
            return true;
        if (j->second < i->second)
            return false;
    }
    return i == a.end() && j != b.end();
}

Val Ops<Map>::at_(Map& a, Val const& key) { return a.try_emplace(key).first->second; }

void Ops<Map>::at_(Map& a, Val const& key, Val const& value) {
    auto [it, added] = a.try_emplace(key, value);
    if (!added)
        it->second = value;
}

bool Ops<Map>::next_(Map& a, Val& iter, Val& elem) {
    Map::const_iterator it;
    if (iter) {
        Map_iter const& s = iter.get<Map_iter>();
        if (s.owner != &a)
            detail::bad_cast();
        it = std::next(s.it);
    } else {
        it = a.begin();
    }
    if (it == a.end())
        return false;
    iter = Map_iter{&a, it};
    elem = it->first;
    return true;
}

// ---- Printing ----

void Print<Null>::operator()(std::ostream& o, Null, bool) const { o << "null"; }

void Print<bool>::operator()(std::ostream& o, bool v, bool) const { o << (v ? "true" : "false"); }

void Print<Int>::operator()(std::ostream& o, Int v, bool) const { o << v; }

void Print<char>::operator()(std::ostream& o, char v, bool) const { o.put(v); }

void Print<String>::operator()(std::ostream& o, String const& v, bool) const {
    o.write(v.data(), static_cast<std::streamsize>(v.size()));
}

void Print<List>::operator()(std::ostream& o, List const& v, bool top) const {
    if (v.empty()) {
        o << "[]";
        return;
    }
    if (!top) {
        o << "[...]";
        return;
    }
    o << '[';
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i)
            o << ',';
        elem(o, v[i], false);
    }
    o << ']';
}

void Print<Map>::operator()(std::ostream& o, Map const& v, bool top) const {
    if (v.empty()) {
        o << "{}";
        return;
    }
    if (!top) {
        o << "{...}";
        return;
    }
    o << '{';
    bool first = true;
    for (auto const& [k, x] : v) {
        if (!first)
            o << ',';
        first = false;
        key(o, k, false);
        o << ':';
        val(o, x, false);
    }
    o << '}';
}

void Print<List_iter>::operator()(std::ostream& o, List_iter const&, bool) const { o << "<iter>"; }

void Print<String_iter>::operator()(std::ostream& o, String_iter const&, bool) const {
    o << "<iter>";
}

void Print<Map_iter>::operator()(std::ostream& o, Map_iter const&, bool) const { o << "<iter>"; }

std::ostream& operator<<(std::ostream& o, Val const& v) {
    v.print(o, true);
    return o;
}

} // namespace kestrine
