// Values as the host sees them. What scripts can observe end to end is
// checked by the conformance scripts; these pin the C++ side and the edges.
#include <kestrine/val.hpp>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <sstream>
#include <string>

#include "support/kestrine_util.hpp"

using namespace kestrine;
using kestrine_util::error_of;
using kestrine_util::text_of;

namespace {

std::string inner_form(Val const& v) {
    std::ostringstream o;
    v.print(o, false);
    return o.str();
}

template <class T> std::int32_t count_of(Val const& v) {
    return static_cast<Val::Impl<T>*>(v.base())->ref_count_.ref_count;
}

Val I(long v) { return Val(v); }
Val S(const char* s) { return Val(std::string(s)); }

// A host value that only answers call_: adds its Int arguments.
struct Summer {
    Val call_(Val const*, Val* argv, int argc) const {
        Int s = 0;
        for (int i = 0; i < argc; ++i)
            s += argv[i].get<Int>();
        return Val(s);
    }
};

// A host value with no operations of its own.
struct Opaque {
    int x;
};

} // namespace

TEST(Val, NullMovesAndSelfAssignment) {
    EXPECT_EQ(Val().base(), Val::empty_());
    Val moved(S("x"));
    Val into(std::move(moved));
    EXPECT_EQ(moved.base(), Val::empty_());
    EXPECT_EQ(text_of(into), "x");
    auto* object = into.base();
    Val& alias = into;
    into = alias;
    EXPECT_EQ(into.base(), object);
    EXPECT_EQ(count_of<std::string>(into), 1);
}

TEST(Val, DifferentTypesOrderStrictlyByObject) {
    Val values[] = {Val(), Val(true), I(3), Val('c'), S("s"), Val(List{}), Val(Map{})};
    for (auto const& a : values)
        for (auto const& b : values) {
            if (&a == &b)
                continue;
            EXPECT_NE(a < b, b < a);
            EXPECT_EQ(a >= b, !(a < b));
            EXPECT_TRUE(a != b);
        }
}

TEST(Val, IntEdgesTheScriptsDoNotReach) {
    EXPECT_EQ((I(LONG_MIN) - I(1)).get<Int>(), LONG_MAX);
    EXPECT_EQ((I(LONG_MAX) * I(2)).get<Int>(), -2);
    EXPECT_EQ((I(LONG_MIN) >> I(63)).get<Int>(), -1);
}

TEST(Val, CompoundAssignmentMakesANewObject) {
    Val a = I(5);
    Val b = a;
    b += I(1);
    EXPECT_EQ(a.get<Int>(), 5);
    Val s = S("ab");
    Val t = s;
    t += S("cd");
    EXPECT_EQ(text_of(s) + text_of(t), "ababcd");
    EXPECT_EQ(count_of<std::string>(s), 1);
}

TEST(Val, RefusalsNameTheirOperation) {
    // The scripts reach neg, not, add, sub, size, at, next and call.
    Val n;
    std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { (void)(n * n); }, "mul"},  {[&] { (void)(n / n); }, "div"},
        {[&] { (void)(n % n); }, "mod"},  {[&] { (void)(n << n); }, "shl"},
        {[&] { (void)(n >> n); }, "shr"}, {[&] { (void)(n & n); }, "and"},
        {[&] { (void)(n ^ n); }, "xor"},  {[&] { (void)(n | n); }, "or"},
        // A refusing slot does not look at its operands.
        {[] { (void)(Val(true) * S("x")); }, "mul"},
    };
    for (auto const& [f, name] : cases)
        EXPECT_EQ(error_of(f), std::string("object does not implement ") + name + "()");
    EXPECT_EQ(error_of([] { (void)I(3).get<std::string>(); }), "bad cast");
}

TEST(Val, Truth) {
    std::pair<Val, bool> cases[] = {
        {I(-1), true},     {Val('\0'), false},           {Val('0'), true},
        {Val(List{Val()}), true}, {Val(String_iter{0}), true}, {Val(List_iter{0}), true},
    };
    for (auto const& [v, want] : cases)
        EXPECT_EQ(static_cast<bool>(v), want) << text_of(v);
}

TEST(Val, StringBoundsAndHighBytes) {
    Val s = S("abc");
    Val holder = s;
    EXPECT_EQ(error_of([&] { s.at(I(-4)); }), "index out of range");
    EXPECT_EQ(error_of([&] { s.at(I(5), Val('q')); }), "index out of range");
    EXPECT_EQ(error_of([&] { s.at(S("0"), Val('q')); }), "bad cast");
    EXPECT_EQ(text_of(holder), "abc");
    // A high byte is a negative char but sorts after 'a' inside a String.
    EXPECT_TRUE(Val(static_cast<char>(200)) < Val('a'));
    EXPECT_TRUE(S("\xC8") > S("a"));
}

TEST(Val, PrintedForms) {
    Val l = Val(List{I(1), Val(List{I(2)})});
    Val m = Val(Map{});
    m.at(I(1), Val(List{I(2)}));
    std::pair<std::string, std::string> cases[] = {
        {text_of(Val(String_iter{1})), "<iter>"},
        {text_of(Val(Summer{})), "<func>"},
        {text_of(Val(Opaque{1})), "<?>"},
        {text_of(Val(static_cast<const char*>(nullptr))), ""},
        {inner_form(l), "[...]"},
        {inner_form(Val(List{})), "[]"},
        {inner_form(m), "{...}"},
    };
    for (auto const& [got, want] : cases)
        EXPECT_EQ(got, want);
}

TEST(Val, HostTypesAndMakeVal) {
    Val args[] = {I(2), I(3)};
    EXPECT_EQ(Val(Summer{}).call(nullptr, args, 2).get<Int>(), 5);
    Val v = make_val(I(9));
    EXPECT_TRUE(v.is<Int>());
    EXPECT_EQ(make_val(v).base(), v.base());
    // No relation of its own: identity and address order.
    Val o = Val(Opaque{1}), o2 = Val(Opaque{1});
    EXPECT_FALSE(o == o2);
    EXPECT_TRUE(o == o);
    EXPECT_NE(o < o2, o2 < o);
    EXPECT_EQ(error_of([&] { (void)(o + o); }), "object does not implement add()");
    EXPECT_TRUE(o.is<Opaque>());
    // Host integers of other widths are types of their own, not Ints.
    Val small = Val(5);
    EXPECT_FALSE(small.is<Int>());
    EXPECT_TRUE(small == Val(5));
    EXPECT_FALSE(small == I(5));
}

TEST(Map, RewritingAKeyKeepsTheFirstKeyObject) {
    Val m = Val(Map{});
    m.at(S("k"), I(1));
    Val key = S("k");
    m.at(key, I(5));
    EXPECT_EQ(m.size(), 1u);
    EXPECT_NE(m.get<Map>().find(key)->first.base(), key.base());
    EXPECT_EQ(m.at(key).get<Int>(), 5);
}

TEST(Iteration, EndsAndStaysEnded) {
    for (Val c : {Val(List{}), Val(Map{}), S(""), Val(List{I(3)}), S("h")}) {
        Val iter, elem;
        std::size_t steps = 0;
        while (c.next(iter, elem))
            ++steps;
        EXPECT_EQ(steps, c.size());
        EXPECT_FALSE(c.next(iter, elem));
    }
}

TEST(Iteration, SurvivesListGrowingAndShrinking) {
    Val l = Val(List{I(1), I(2)});
    Val iter, elem;
    ASSERT_TRUE(l.next(iter, elem));
    // Growing far beyond the old capacity moves the storage.
    for (long i = 3; i < 100; ++i)
        l.get<List>().push_back(I(i));
    ASSERT_TRUE(l.next(iter, elem));
    ASSERT_TRUE(l.next(iter, elem));
    EXPECT_EQ(elem.get<Int>(), 3);
    l.get<List>().resize(1);
    l.get<List>().shrink_to_fit();
    EXPECT_FALSE(l.next(iter, elem));
    EXPECT_EQ(elem.get<Int>(), 3);

    Val s = S("abcd");
    Val si, sc;
    ASSERT_TRUE(s.next(si, sc));
    ASSERT_TRUE(s.next(si, sc));
    s.get<std::string>() = "a";
    EXPECT_FALSE(s.next(si, sc));
    EXPECT_EQ(sc.get<char>(), 'b');
}

TEST(Iteration, ForeignStatesAreRefused) {
    Val l = Val(List{I(1)});
    Val m = Val(Map{}), other = Val(Map{});
    m.at(I(1), I(1));
    other.at(I(1), I(1));
    Val elem, int_state = I(1), map_state;
    EXPECT_EQ(error_of([&] { l.next(int_state, elem); }), "bad cast");
    ASSERT_TRUE(other.next(map_state, elem));
    EXPECT_EQ(error_of([&] { m.next(map_state, elem); }), "bad cast");
    EXPECT_EQ(error_of([&] { l.next(map_state, elem); }), "bad cast");
    Val zero = I(0); // a false state starts the walk
    EXPECT_TRUE(l.next(zero, elem));
}

TEST(Nesting, SelfContainingListPrintsAndCompareStops) {
    Val a = Val(List{});
    a.get<List>().push_back(a);
    Val b = Val(List{});
    b.get<List>().push_back(b);
    EXPECT_EQ(text_of(a), "[[...]]");
    EXPECT_EQ(error_of([&] { (void)(a == b); }), "nesting too deep");
    EXPECT_EQ(error_of([&] { (void)(a < b); }), "nesting too deep");
    EXPECT_EQ(detail::compare_depth, 0);
    // Break the cycles so the lists can be freed.
    a.get<List>().clear();
    b.get<List>().clear();
}

TEST(Nesting, DeepNestsCompareWithErrorAndFreeWithoutRecursion) {
    auto nest = [](int depth) {
        Val v = Val(List{});
        for (int i = 0; i < depth; ++i)
            v = Val(List{v});
        return v;
    };
    Val x = nest(5000), y = nest(5000);
    Val m = Val(Map{});
    m.at(x, I(1));
    EXPECT_EQ(error_of([&] { m.at(y); }), "nesting too deep");
    EXPECT_EQ(m.size(), 1u);

    // A million levels of lists and maps: releasing them must not overflow
    // the stack (and the sanitizer build checks nothing leaks).
    Val deep = Val(List{});
    for (int i = 0; i < 1000000; ++i) {
        if (i % 2) {
            Map mm;
            mm.emplace(I(i), std::move(deep));
            deep = Val(std::move(mm));
        } else {
            deep = Val(List{std::move(deep), I(i)});
        }
    }
    deep = Val();
}
