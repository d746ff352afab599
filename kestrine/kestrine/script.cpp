#include <kestrine/script.hpp>

#include <kestrine/interrupt.hpp>

#include <alloca.h>
#include <cassert>
#include <cstdio>
#include <iostream>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <type_traits>
#include <typeinfo>

namespace kestrine {

Script::Script(std::vector<Val> data, std::vector<std::int8_t> code, std::size_t stack_size)
    : data_(std::move(data)), code_(std::move(code)), stack_size_(stack_size) {}

namespace {

// The run's value slots: made Null, released on every way out.
struct Stack_slots {
    Val* slots;
    std::size_t count;
    Stack_slots(void* memory, std::size_t n) : slots(static_cast<Val*>(memory)), count(n) {
        for (std::size_t i = 0; i < n; ++i)
            new (slots + i) Val();
    }
    ~Stack_slots() {
        for (std::size_t i = 0; i < count; ++i)
            slots[i].~Val();
    }
    Stack_slots(Stack_slots const&) = delete;
    Stack_slots& operator=(Stack_slots const&) = delete;
};

// Larger stacks than this (never made by the compiler) go on the heap.
constexpr std::size_t max_automatic_slots = 1024;

[[noreturn]] void unrecognized_opcode() { throw std::runtime_error("unrecognized opcode"); }

const char* opcode_name(int op) {
    return op >= 0 && op < opcode_count ? opcode_traits[op].name : "???";
}


void trace(const std::int8_t* code, const std::int8_t* pos, Val const* stack, Val const* sp) {
    print_instr(code, pos, std::cout);
    if (sp != stack)
        std::cout << '\t' << sp[-1] << " (+" << (sp - stack) << ")\n";
    else
        std::cout << "\t-\n";
}


// Fast paths for the commonest operands. A miss only means the generic
// path through the value protocol, so comparing type_info addresses is safe.
using Int_impl = Val::Impl<Int>;
using Bool_impl = Val::Impl<bool>;

inline bool is_int(Val::Base const* b) noexcept { return &typeid(*b) == &typeid(Int_impl); }

inline Int int_of(Val::Base const* b) noexcept { return static_cast<Int_impl const*>(b)->data_; }

// The slot's object pointer (a `Val` is exactly one pointer).
inline Val::Base*& raw(Val& v) noexcept { return *reinterpret_cast<Val::Base**>(&v); }

inline bool truth(Val const& v) noexcept {
    Val::Base const* b = v.base();
    if (&typeid(*b) == &typeid(Bool_impl))
        return static_cast<Bool_impl const*>(b)->data_;
    return b->bol_();
}

// Reference counting without a virtual call for Ints and bools, which
// make up most of the traffic; other types take their own slot.
inline void grab(Val::Base* b) noexcept {
    std::type_info const* t = &typeid(*b);
    if (t == &typeid(Int_impl))
        static_cast<Int_impl*>(b)->ref_count_.grab_();
    else if (t == &typeid(Bool_impl))
        static_cast<Bool_impl*>(b)->ref_count_.grab_();
    else
        b->grab_();
}

// Inlined at every site: the compiler's own choice leaves a call in the
// machine's tightest loops.
[[gnu::always_inline]] inline void drop(Val::Base* b) noexcept {
    std::type_info const* t = &typeid(*b);
    if (t == &typeid(Int_impl))
        static_cast<Int_impl*>(b)->Int_impl::drop_();
    else if (t == &typeid(Bool_impl))
        static_cast<Bool_impl*>(b)->Bool_impl::drop_();
    else
        b->drop_();
}

// slot = value, sharing the object.
inline void copy_into(Val& slot, Val const& value) noexcept {
    Val::Base* p = value.base();
    grab(p);
    Val::Base*& s = raw(slot);
    Val::Base* old = s;
    s = p;
    drop(old);
}

// Puts a new object (count 1) into a slot.
inline void put(Val& slot, Val::Base* fresh) noexcept {
    Val::Base*& s = raw(slot);
    Val::Base* old = s;
    s = fresh;
    drop(old);
}

// Replaces an Int in a slot by a new Int.
inline void replace_int(Val& slot, Int value) {
    Val::Base*& p = raw(slot);
    auto* old = static_cast<Int_impl*>(p);
    p = new Int_impl(value);
    old->Int_impl::drop_();
}

inline Int wrap_add(Int a, Int b) noexcept {
    return static_cast<Int>(static_cast<unsigned long>(a) + static_cast<unsigned long>(b));
}
inline Int wrap_sub(Int a, Int b) noexcept {
    return static_cast<Int>(static_cast<unsigned long>(a) - static_cast<unsigned long>(b));
}
inline Int wrap_mul(Int a, Int b) noexcept {
    return static_cast<Int>(static_cast<unsigned long>(a) * static_cast<unsigned long>(b));
}

} // namespace

static_assert(sizeof(Val) == sizeof(Val::Base*) && std::is_standard_layout_v<Val>);

Val Script::run(Val* globals, Val* locals, Val* args, int nargs) const {
    std::size_t const n = stack_size_;
    std::unique_ptr<unsigned char[]> heap;
    void* memory;
    if (n <= max_automatic_slots) {
        memory = alloca(n * sizeof(Val) + 1);
    } else {
        heap.reset(new unsigned char[n * sizeof(Val)]);
        memory = heap.get();
    }
    Stack_slots stack(memory, n);
    Val* const bottom = stack.slots;
    Val* sp = bottom;
    Val const* const k = data_.data();
    const std::int8_t* const begin = code_.data();
    const std::int8_t* const end = begin + code_.size();
    const std::int8_t* pc = begin;
    const std::int8_t* at = pc;
    int arg = 0;
    bool const tracing = debug_exec;

    // Threaded dispatch: every handler ends in its own indirect jump. Both
    // byte forms decode to 0..127, so the table needs no bounds check.
    static void* const labels[128] = {
#define KESTRINE_LABEL(name, push, pop, kind) &&op_##name,
        KESTRINE_OPCODES(KESTRINE_LABEL)
#undef KESTRINE_LABEL
#define BAD4 &&op_bad, &&op_bad, &&op_bad, &&op_bad
#define BAD16 BAD4, BAD4, BAD4, BAD4
        &&op_bad, BAD4, BAD4, BAD16, BAD16, BAD16, BAD16, BAD16,
#undef BAD16
#undef BAD4
    };
    static_assert(opcode_count + 1 + 2 * 4 + 5 * 16 == 128);

#define NEXT_INSTR()                                                                     \
    do {                                                                                 \
        assert(sp >= bottom && sp <= bottom + n);                                        \
        if (pc >= end) [[unlikely]]                                                      \
            goto off_end;                                                                \
        if (tracing) [[unlikely]]                                                        \
            trace(begin, pc, bottom, sp);                                                \
        at = pc;                                                                         \
        std::int8_t byte = *pc;                                                          \
        if (byte >= 0) {                                                                 \
            arg = 0;                                                                     \
            pc += 1;                                                                     \
            goto* labels[byte];                                                          \
        }                                                                                \
        arg = pc[1];                                                                     \
        pc += 2;                                                                         \
        goto* labels[~byte];                                                             \
    } while (0)
// A jump's target counts from the jump's first byte. Looping back is where
// a script may run on for ever, so that is where it looks for an interrupt.
#define JUMP()                                                                           \
    do {                                                                                 \
        pc = at + arg;                                                                   \
        assert(pc >= begin && pc <= end);                                                \
        if (arg <= 0 && interrupt_word.load(std::memory_order_relaxed) != 0) [[unlikely]] \
            check_interrupt();                                                           \
    } while (0)

    NEXT_INSTR();

op_LOADK:
    assert(sp < bottom + n && arg >= 0 && static_cast<std::size_t>(arg) < data_.size());
    copy_into(*sp++, k[arg]);
    NEXT_INSTR();
op_LOADL:
    assert(sp < bottom + n);
    copy_into(*sp++, locals[arg]);
    NEXT_INSTR();
op_LOADG:
    assert(sp < bottom + n);
    copy_into(*sp++, globals[arg]);
    NEXT_INSTR();
op_LOADA:
    assert(sp < bottom + n);
    if (arg >= 0 && arg < nargs)
        copy_into(*sp++, args[arg]);
    else
        put(*sp++, Val::empty_());
    NEXT_INSTR();
op_STORL:
    copy_into(locals[arg], sp[-1]);
    NEXT_INSTR();
op_STORG:
    copy_into(globals[arg], sp[-1]);
    NEXT_INSTR();
op_POP:
    --sp;
    NEXT_INSTR();
op_DUP:
    assert(sp < bottom + n);
    copy_into(*sp, sp[-1]);
    ++sp;
    NEXT_INSTR();
op_LNOT:
    put(sp[-1], new Bool_impl(!truth(sp[-1])));
    NEXT_INSTR();
op_BNOT:
    sp[-1] = ~sp[-1];
    NEXT_INSTR();
op_NEG:
    sp[-1] = -sp[-1];
    NEXT_INSTR();

#define INT_ARITH(name, fast, generic)                                                   \
    op_##name : --sp;                                                                    \
    if (is_int(sp[-1].base()) && is_int(sp->base()))                                    \
        replace_int(sp[-1], fast(int_of(sp[-1].base()), int_of(sp->base())));            \
    else                                                                                 \
        sp[-1] generic *sp;                                                              \
    NEXT_INSTR();
    INT_ARITH(ADD, wrap_add, +=)
    INT_ARITH(SUB, wrap_sub, -=)
    INT_ARITH(MUL, wrap_mul, *=)
#undef INT_ARITH

op_DIV:
    --sp;
    sp[-1] /= *sp;
    NEXT_INSTR();
op_MOD:
    --sp;
    sp[-1] %= *sp;
    NEXT_INSTR();
op_SHL:
    --sp;
    sp[-1] <<= *sp;
    NEXT_INSTR();
op_SHR:
    --sp;
    sp[-1] >>= *sp;
    NEXT_INSTR();

#define COMPARE(name, op)                                                                \
    op_##name : --sp;                                                                    \
    if (is_int(sp[-1].base()) && is_int(sp->base()))                                     \
        put(sp[-1], new Bool_impl(int_of(sp[-1].base()) op int_of(sp->base())));        \
    else                                                                                 \
        put(sp[-1], new Bool_impl(sp[-1] op * sp));                                      \
    NEXT_INSTR();
    COMPARE(GT, >)
    COMPARE(LT, <)
    COMPARE(GE, >=)
    COMPARE(LE, <=)
    COMPARE(EQ, ==)
    COMPARE(NE, !=)
#undef COMPARE

op_JZ:
    --sp;
    if (!truth(*sp))
        JUMP();
    NEXT_INSTR();
op_JMP:
    JUMP();
    NEXT_INSTR();
op_JNK:
    if (truth(sp[-1]))
        JUMP();
    else
        --sp;
    NEXT_INSTR();
op_JZK:
    if (!truth(sp[-1]))
        JUMP();
    else
        --sp;
    NEXT_INSTR();
op_OR:
    --sp;
    sp[-1] |= *sp;
    NEXT_INSTR();
op_AND:
    --sp;
    sp[-1] &= *sp;
    NEXT_INSTR();
op_XOR:
    --sp;
    sp[-1] ^= *sp;
    NEXT_INSTR();
op_RETURN:
    if (arg == 0)
        return Val();
    return sp[-1];
op_ARR : {
    assert(arg >= 0 && sp - arg >= bottom);
    sp -= arg;
    List list;
    list.reserve(static_cast<std::size_t>(arg));
    for (int i = 0; i < arg; ++i)
        list.push_back(std::move(sp[i]));
    *sp++ = Val(std::move(list));
}
    NEXT_INSTR();
op_MAP : {
    assert(arg >= 0 && sp - 2 * arg >= bottom);
    sp -= 2 * arg;
    Map map;
    for (int i = 0; i < arg; ++i) // a repeated key keeps its first value
        map.try_emplace(std::move(sp[2 * i]), std::move(sp[2 * i + 1]));
    *sp++ = Val(std::move(map));
}
    NEXT_INSTR();
op_GET:
    --sp;
    sp[-1] = sp[-1].at(*sp);
    NEXT_INSTR();
op_SET:
    // [value, container, key]: the value stays on top.
    sp -= 2;
    sp[0].at(sp[1], sp[-1]);
    NEXT_INSTR();
op_NEXT:
    // [iterable, state]; the element lands in the slot above.
    assert(sp < bottom + n);
    if (sp[-2].next(sp[-1], sp[0])) {
        ++sp;
    } else {
        sp -= 2;
        JUMP();
    }
    NEXT_INSTR();
op_CALL:
    assert(arg >= 0 && sp - arg > bottom);
    // Calls may nest runs of scripts without any of them looping.
    if (interrupt_word.load(std::memory_order_relaxed) != 0) [[unlikely]]
        check_interrupt();
    sp -= arg;
    sp[-1] = sp[-1].call(globals, sp, arg);
    NEXT_INSTR();
op_END:
    return Val();
op_bad:
    unrecognized_opcode();
off_end:
    // Code that runs off its end ends as END does.
    return Val();
#undef NEXT_INSTR
#undef JUMP
}

const std::int8_t* print_instr(const std::int8_t* code, const std::int8_t* pos, std::ostream& o) {
    Instr in;
    const std::int8_t* next = decode(pos, in);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%4ld", static_cast<long>(pos - code));
    o << buf << " | " << opcode_name(in.op) << ',' << in.arg;
    return next;
}

std::ostream& operator<<(std::ostream& o, Script const& s) {
    o << "data:\n";
    char buf[24];
    for (std::size_t i = 0; i < s.data().size(); ++i) {
        std::snprintf(buf, sizeof buf, "%4zu", i);
        o << buf << " | " << s.data()[i] << '\n';
    }
    o << "code:\n";
    const std::int8_t* begin = s.code().data();
    const std::int8_t* end = begin + s.code().size();
    for (const std::int8_t* p = begin; p < end;) {
        p = print_instr(begin, p, o);
        o << '\n';
    }
    o << "stack size = " << s.stack_size() << '\n';
    return o;
}

} // namespace kestrine
