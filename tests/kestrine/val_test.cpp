#include <kestrine/val.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

using namespace kestrine;

namespace {

// The message of the runtime_error that `f` raises, or "" when none.
std::string error_of(std::function<void()> const& f) {
    try {
        f();
    } catch (std::runtime_error const& e) {
        return e.what();
    }
    return "";
}

std::string top_form(Val const& v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

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

TEST(Val, NullIsSharedAndEqualOnlyToItself) {
    Val a, b;
    EXPECT_EQ(a.base(), Val::empty_());
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(a == Val(false));
    EXPECT_FALSE(I(0) == Val(false));
    EXPECT_FALSE(I(0) == Val());
    EXPECT_FALSE(I(1) == Val(true));
    EXPECT_FALSE(S("5") == I(5));
    EXPECT_TRUE(S("ab") == S("ab"));
    Val moved(S("x"));
    Val into(std::move(moved));
    EXPECT_EQ(moved.base(), Val::empty_());
    EXPECT_EQ(top_form(into), "x");
}

TEST(Val, DifferentTypesOrderStrictlyByObject) {
    Val values[] = {Val(), Val(true), I(3), Val('c'), S("s"), Val(List{}), Val(Map{})};
    for (auto const& a : values)
        for (auto const& b : values) {
            if (&a == &b)
                continue;
            EXPECT_NE(a < b, b < a);
            EXPECT_NE(a <= b, b <= a);
            EXPECT_EQ(a > b, b < a);
            EXPECT_EQ(a >= b, !(a < b));
            EXPECT_FALSE(a == b);
            EXPECT_TRUE(a != b);
        }
}

TEST(Val, IntDivisionAndRemainderSigns) {
    EXPECT_EQ((I(7) / I(2)).get<Int>(), 3);
    EXPECT_EQ((I(-7) / I(2)).get<Int>(), -3);
    EXPECT_EQ((I(-7) % I(2)).get<Int>(), -1);
    EXPECT_EQ((I(7) % I(-2)).get<Int>(), 1);
    EXPECT_EQ((I(LONG_MIN) / I(-1)).get<Int>(), LONG_MIN);
    EXPECT_EQ((I(LONG_MIN) % I(-1)).get<Int>(), 0);
    EXPECT_EQ(error_of([] { (void)(I(1) / I(0)); }), "division by zero");
    EXPECT_EQ(error_of([] { (void)(I(1) % I(0)); }), "division by zero");
}

TEST(Val, IntWrapsAndShifts) {
    EXPECT_EQ((I(LONG_MAX) + I(1)).get<Int>(), LONG_MIN);
    EXPECT_EQ((I(LONG_MIN) - I(1)).get<Int>(), LONG_MAX);
    EXPECT_EQ((I(LONG_MAX) * I(2)).get<Int>(), -2);
    EXPECT_EQ((-I(LONG_MIN)).get<Int>(), LONG_MIN);
    EXPECT_EQ((~I(0)).get<Int>(), -1);
    EXPECT_EQ((I(1) << I(64)).get<Int>(), 1);
    EXPECT_EQ((I(1) << I(63)).get<Int>(), LONG_MIN);
    EXPECT_EQ((I(1) << I(-1)).get<Int>(), LONG_MIN);
    EXPECT_EQ((I(-8) >> I(1)).get<Int>(), -4);
    EXPECT_EQ((I(LONG_MIN) >> I(63)).get<Int>(), -1);
    EXPECT_EQ((I(12) & I(10)).get<Int>(), 8);
    EXPECT_EQ((I(12) | I(10)).get<Int>(), 14);
    EXPECT_EQ((I(12) ^ I(10)).get<Int>(), 6);
}

TEST(Val, ArithmeticMakesNewObjects) {
    Val a = I(5);
    Val b = a;
    b += I(1);
    EXPECT_EQ(a.get<Int>(), 5);
    EXPECT_EQ(b.get<Int>(), 6);
    Val s = S("ab");
    Val t = s;
    t += S("cd");
    EXPECT_EQ(top_form(s), "ab");
    EXPECT_EQ(top_form(t), "abcd");
    EXPECT_EQ(count_of<std::string>(s), 1);
}

TEST(Val, OperandErrors) {
    EXPECT_EQ(error_of([] { (void)(S("a") + I(1)); }), "bad cast");
    EXPECT_EQ(error_of([] { (void)(I(1) + S("a")); }), "bad cast");
    EXPECT_EQ(error_of([] { (void)(Val(true) + I(1)); }), "object does not implement add()");
    EXPECT_EQ(error_of([] { (void)(I(1) + Val(true)); }), "bad cast");
    EXPECT_EQ(error_of([] { Val().at(I(0)); }), "object does not implement at()");
    EXPECT_EQ(error_of([] { Val().at(I(0), I(1)); }), "object does not implement at()");
    EXPECT_EQ(error_of([] { (void)I(3).size(); }), "object does not implement size()");
    EXPECT_EQ(error_of([] { (void)I(3).get<std::string>(); }), "bad cast");
    EXPECT_EQ(error_of([] { (void)(Val(List{}) + Val(List{})); }),
              "object does not implement add()");
    EXPECT_EQ(error_of([] { (void)Val(Map{}).call(nullptr, nullptr, 0); }),
              "object does not implement call()");
}

TEST(Val, EveryRefusalNamesItsOperation) {
    Val n;
    Val x;
    Val it;
    std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { (void)-n; }, "neg"},           {[&] { (void)~n; }, "not"},
        {[&] { (void)(n + n); }, "add"},      {[&] { (void)(n - n); }, "sub"},
        {[&] { (void)(n * n); }, "mul"},      {[&] { (void)(n / n); }, "div"},
        {[&] { (void)(n % n); }, "mod"},      {[&] { (void)(n << n); }, "shl"},
        {[&] { (void)(n >> n); }, "shr"},     {[&] { (void)(n & n); }, "and"},
        {[&] { (void)(n ^ n); }, "xor"},      {[&] { (void)(n | n); }, "or"},
        {[&] { (void)n.size(); }, "size"},    {[&] { (void)n.at(n); }, "at"},
        {[&] { n.at(n, n); }, "at"},          {[&] { (void)n.next(it, x); }, "next"},
        {[&] { (void)n.call(nullptr, nullptr, 0); }, "call"},
    };
    for (auto const& [f, name] : cases)
        EXPECT_EQ(error_of(f), std::string("object does not implement ") + name + "()");
    // A refusing slot does not look at its operands.
    EXPECT_EQ(error_of([] { (void)(Val(true) * S("x")); }), "object does not implement mul()");
}

TEST(Val, Truth) {
    EXPECT_FALSE(Val());
    EXPECT_FALSE(Val(false));
    EXPECT_TRUE(Val(true));
    EXPECT_FALSE(I(0));
    EXPECT_TRUE(I(-1));
    EXPECT_FALSE(Val('\0'));
    EXPECT_TRUE(Val('0'));
    EXPECT_FALSE(S(""));
    EXPECT_TRUE(S("0"));
    EXPECT_FALSE(Val(List{}));
    EXPECT_TRUE(Val(List{Val()}));
    EXPECT_FALSE(Val(Map{}));
    EXPECT_TRUE(Val(String_iter{0}));
    EXPECT_TRUE(Val(List_iter{0}));
    EXPECT_TRUE(!Val());
    EXPECT_FALSE(!I(2));
}

TEST(Val, StringSubscriptAndBytes) {
    Val s = S("abc");
    EXPECT_EQ(s.at(I(-1)).get<char>(), 'c');
    EXPECT_EQ(s.at(I(0)).get<char>(), 'a');
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(error_of([&] { s.at(I(3)); }), "index out of range");
    EXPECT_EQ(error_of([&] { s.at(I(-4)); }), "index out of range");
    EXPECT_EQ(error_of([&] { s.at(S("0")); }), "bad cast");
    // A high byte is a negative char but sorts after 'a' inside a String.
    Val high = Val(static_cast<char>(200));
    EXPECT_TRUE(high < Val('a'));
    EXPECT_TRUE(S("\xC8") > S("a"));
    EXPECT_TRUE(S("ab") < S("abc"));
}

TEST(Val, StringWriteChangesEveryHolder) {
    Val s = S("abc");
    Val holder = s;
    Val other = S("xyz");
    s.at(I(1), other.at(I(0)));
    EXPECT_EQ(top_form(holder), "axc");
    EXPECT_EQ(error_of([&] { s.at(I(0), S("q")); }), "bad cast");
    EXPECT_EQ(error_of([&] { s.at(S("0"), S("q")); }), "bad cast");
    EXPECT_EQ(error_of([&] { s.at(I(5), Val('q')); }), "index out of range");
    EXPECT_EQ(top_form(holder), "axc");
}

TEST(Val, PrintedForms) {
    EXPECT_EQ(top_form(S("a b")), "a b");
    EXPECT_EQ(top_form(Val(true)), "true");
    EXPECT_EQ(top_form(Val(false)), "false");
    EXPECT_EQ(top_form(Val()), "null");
    EXPECT_EQ(top_form(I(-42)), "-42");
    EXPECT_EQ(top_form(Val('z')), "z");
    EXPECT_EQ(top_form(Val(String_iter{1})), "<iter>");
    EXPECT_EQ(top_form(Val(Summer{})), "<func>");
    EXPECT_EQ(top_form(Val(Opaque{1})), "<?>");
}

TEST(Val, SelfAssignmentKeepsTheObject) {
    Val a = S("keep");
    auto* object = a.base();
    Val& alias = a;
    a = alias;
    EXPECT_EQ(a.base(), object);
    EXPECT_EQ(count_of<std::string>(a), 1);
    Val b = a;
    a = b;
    EXPECT_EQ(count_of<std::string>(a), 2);
    a = std::move(b);
    EXPECT_EQ(top_form(a), "keep");
}

TEST(Val, HostTypesAndMakeVal) {
    Val f = Val(Summer{});
    Val args[] = {I(2), I(3)};
    EXPECT_EQ(f.call(nullptr, args, 2).get<Int>(), 5);
    Val v = make_val(I(9));
    EXPECT_TRUE(v.is<Int>());
    Val same = make_val(v);
    EXPECT_EQ(same.base(), v.base());
    Val o = Val(Opaque{1});
    Val o2 = Val(Opaque{1});
    // No relation of its own: identity and address order.
    EXPECT_FALSE(o == o2);
    EXPECT_TRUE(o == o);
    EXPECT_NE(o < o2, o2 < o);
    EXPECT_EQ(error_of([&] { (void)(o + o); }), "object does not implement add()");
    EXPECT_TRUE(o.is<Opaque>());
    // Host integers of other widths are types of their own, not Ints.
    Val small = Val(5);
    EXPECT_EQ(top_form(small), "5");
    EXPECT_FALSE(small.is<Int>());
    EXPECT_TRUE(small == Val(5));
    EXPECT_FALSE(small == I(5));
    EXPECT_EQ(top_form(Val(static_cast<const char*>(nullptr))), "");
    EXPECT_FALSE(o.is<Int>());
    EXPECT_TRUE(o.is<Val>());
}

TEST(List, SubscriptSharingAndErrors) {
    Val l = Val(List{I(1), S("a"), I(3)});
    EXPECT_EQ(l.at(I(-1)).get<Int>(), 3);
    EXPECT_EQ(error_of([&] { l.at(S("0")); }), "bad cast");
    EXPECT_EQ(error_of([&] { l.at(I(3)); }), "index out of range");
    EXPECT_EQ(error_of([&] { l.at(I(-4), I(0)); }), "index out of range");
    Val alias = l;
    l.at(I(0), S("new"));
    EXPECT_EQ(top_form(alias), "[new,a,3]");
    // Elements are shared, not copied.
    Val inner = Val(List{});
    l.at(I(1), inner);
    EXPECT_EQ(l.at(I(1)).base(), inner.base());
    EXPECT_EQ(l.size(), 3u);
}

TEST(Map, SubscriptReadAddsNull) {
    Val m = Val(Map{});
    EXPECT_EQ(m.at(I(7)).base(), Val::empty_());
    EXPECT_EQ(m.size(), 1u);
    m.at(I(7));
    EXPECT_EQ(m.size(), 1u);
    m.at(S("k"), I(1));
    m.at(Val(List{}), I(2));
    m.at(Val(), I(3));
    EXPECT_EQ(m.size(), 4u);
    EXPECT_EQ(m.at(S("k")).get<Int>(), 1);
    EXPECT_EQ(m.at(Val()).get<Int>(), 3);
    // Rewriting a key keeps the first key object.
    Val key = S("k");
    m.at(key, I(5));
    EXPECT_EQ(m.size(), 4u);
    EXPECT_NE(m.get<Map>().find(key)->first.base(), key.base());
    EXPECT_EQ(m.at(key).get<Int>(), 5);
}

TEST(List, ComparisonIsLexicographic) {
    auto L = [](std::initializer_list<long> xs) {
        List l;
        for (long x : xs)
            l.push_back(Val(x));
        return Val(std::move(l));
    };
    EXPECT_TRUE(L({1, 2}) == L({1, 2}));
    EXPECT_TRUE(L({1}) < L({2}));
    EXPECT_TRUE(L({1}) < L({1, 0}));
    EXPECT_TRUE(L({2}) > L({1, 5}));
    EXPECT_FALSE(L({1, 2}) < L({1, 2}));
    EXPECT_FALSE(L({1, 2}) > L({1, 2}));
    EXPECT_TRUE(L({1, 2}) <= L({1, 2}));
    EXPECT_TRUE(L({}) < L({0}));
    EXPECT_FALSE(L({1}) == L({1, 1}));
}

TEST(Map, EqualityIgnoresWritingOrder) {
    Val a = Val(Map{}), b = Val(Map{});
    a.at(I(1), S("x"));
    a.at(S("k"), I(2));
    b.at(S("k"), I(2));
    b.at(I(1), S("x"));
    EXPECT_TRUE(a == b);
    b.at(I(1), S("y"));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a < b);
    Val c = Val(Map{});
    EXPECT_TRUE(c < a);
}

TEST(Iteration, EmptyContainersYieldNothing) {
    for (Val c : {Val(List{}), Val(Map{}), S("")}) {
        Val iter, elem;
        EXPECT_FALSE(c.next(iter, elem));
        EXPECT_EQ(iter.base(), Val::empty_());
        EXPECT_EQ(elem.base(), Val::empty_());
    }
}

TEST(Iteration, OrderOfEachContainer) {
    auto walk = [](Val c) {
        std::string out;
        Val iter, elem;
        while (c.next(iter, elem))
            out += top_form(elem) + ";";
        // After the end, another step stays at the end.
        EXPECT_FALSE(c.next(iter, elem));
        return out;
    };
    EXPECT_EQ(walk(Val(List{I(3), S("b"), I(1)})), "3;b;1;");
    Val m = Val(Map{});
    for (long k : {5, -2, 9, 0})
        m.at(I(k), I(0));
    EXPECT_EQ(walk(m), "-2;0;5;9;");
    Val ms = Val(Map{});
    for (const char* k : {"b", "ab", "a", "B"})
        ms.at(S(k), I(0));
    EXPECT_EQ(walk(ms), "B;a;ab;b;");
    EXPECT_EQ(walk(S("hey")), "h;e;y;");
}

TEST(Iteration, ListElementsAreSharedHandles) {
    Val inner = Val(List{});
    Val l = Val(List{inner});
    Val iter, elem;
    ASSERT_TRUE(l.next(iter, elem));
    EXPECT_EQ(elem.base(), inner.base());
    EXPECT_EQ(top_form(iter), "<iter>");
}

TEST(Iteration, SurvivesListGrowingAndShrinking) {
    Val l = Val(List{I(1), I(2)});
    Val iter, elem;
    ASSERT_TRUE(l.next(iter, elem));
    EXPECT_EQ(elem.get<Int>(), 1);
    // Growing far beyond the old capacity moves the storage.
    for (long i = 3; i < 100; ++i)
        l.get<List>().push_back(I(i));
    ASSERT_TRUE(l.next(iter, elem));
    EXPECT_EQ(elem.get<Int>(), 2);
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
    Val elem;
    Val int_state = I(1);
    EXPECT_EQ(error_of([&] { l.next(int_state, elem); }), "bad cast");
    Val map_state;
    ASSERT_TRUE(other.next(map_state, elem));
    EXPECT_EQ(error_of([&] { m.next(map_state, elem); }), "bad cast");
    EXPECT_EQ(error_of([&] { l.next(map_state, elem); }), "bad cast");
    Val zero = I(0); // a false state starts the walk
    EXPECT_TRUE(l.next(zero, elem));
    EXPECT_EQ(error_of([] {
                  Val n, s, e;
                  n.next(s, e);
              }),
              "object does not implement next()");
    EXPECT_EQ(error_of([] {
                  Val n = I(3), s, e;
                  n.next(s, e);
              }),
              "object does not implement next()");
}

TEST(Iteration, IteratorValues) {
    Val l = Val(List{I(1), I(2)});
    Val a, e;
    l.next(a, e);
    Val b = a;
    l.next(b, e);
    Val a2;
    l.next(a2, e);
    EXPECT_TRUE(a == a2);
    EXPECT_TRUE(a < b);
    Val m = Val(Map{});
    m.at(I(1), I(1));
    Val mi, mi2;
    m.next(mi, e);
    m.next(mi2, e);
    EXPECT_TRUE(mi == mi2);
    EXPECT_TRUE(mi);
    EXPECT_EQ(top_form(mi), "<iter>");
    EXPECT_NE(mi < mi2, mi2 < mi); // by object address
}

TEST(Print, ContainersShowOneLevel) {
    Val l = Val(List{I(1), S("a"), Val(List{I(2)})});
    EXPECT_EQ(top_form(l), "[1,a,[...]]");
    EXPECT_EQ(inner_form(l), "[...]");
    EXPECT_EQ(top_form(Val(List{})), "[]");
    EXPECT_EQ(inner_form(Val(List{})), "[]");
    Val m = Val(Map{});
    m.at(I(1), Val(List{}));
    EXPECT_EQ(top_form(m), "{1:[]}");
    m.at(I(1), Val(List{I(2)}));
    EXPECT_EQ(top_form(m), "{1:[...]}");
    EXPECT_EQ(inner_form(m), "{...}");
    EXPECT_EQ(top_form(Val(Map{})), "{}");
    m.at(S("k"), Val(Map{}));
    m.at(Val(), Val(true));
    std::string text = top_form(m);
    // Keys of different types order by address; check the pieces.
    EXPECT_NE(text.find("1:[...]"), std::string::npos);
    EXPECT_NE(text.find("k:{}"), std::string::npos);
    EXPECT_NE(text.find("null:true"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), ','), 2);
}

TEST(Nesting, SelfContainingListPrintsAndCompareStops) {
    Val a = Val(List{});
    a.get<List>().push_back(a);
    Val b = Val(List{});
    b.get<List>().push_back(b);
    EXPECT_EQ(top_form(a), "[[...]]");
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
    EXPECT_EQ(error_of([&] { (void)(x == y); }), "nesting too deep");
    Val m = Val(Map{});
    m.at(x, I(1));
    EXPECT_EQ(error_of([&] { m.at(y); }), "nesting too deep");
    EXPECT_EQ(m.size(), 1u);
    EXPECT_TRUE(nest(100) == nest(100));
    EXPECT_TRUE(nest(100) < nest(101));

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
    SUCCEED();
}
