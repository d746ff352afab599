#pragma once
// Binding host code: functions with one fixed parameter list (`Fun`),
// overload sets (`Funs`) and integer members of host objects (`Field`).
// Arguments match only values of exactly the parameter's type; there is no
// conversion.
#include "kestrine/val.hpp"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace kestrine {

// The script name of a host type, as signatures show it. A host that binds
// functions over its own types names them by specialising this.
template <class T> struct Type_name;
template <> struct Type_name<Int> {
  static constexpr char const* value = "Int";
};
template <> struct Type_name<String> {
  static constexpr char const* value = "String";
};
template <> struct Type_name<List> {
  static constexpr char const* value = "List";
};
template <> struct Type_name<Val> {
  static constexpr char const* value = "Val";
};

namespace detail {

// Result and parameter types of a plain function or a function object.
template <class F> struct Callable : Callable<decltype(&F::operator())> {};
template <class R, class... A> struct Callable<R (*)(A...)> {
  using result = R;
  using params = std::tuple<std::remove_cvref_t<A>...>;
};
template <class R, class... A> struct Callable<R (*)(A...) noexcept> : Callable<R (*)(A...)> {};
template <class R, class... A> struct Callable<R(A...)> : Callable<R (*)(A...)> {};
template <class C, class R, class... A> struct Callable<R (C::*)(A...)> : Callable<R (*)(A...)> {};
template <class C, class R, class... A> struct Callable<R (C::*)(A...) const> : Callable<R (*)(A...)> {};
template <class C, class R, class... A> struct Callable<R (C::*)(A...) noexcept> : Callable<R (*)(A...)> {};
template <class C, class R, class... A>
struct Callable<R (C::*)(A...) const noexcept> : Callable<R (*)(A...)> {};

template <class F> using params_of = typename Callable<std::remove_cvref_t<F>>::params;

// "(Vec, String)": the parameters' script names.
template <class Tuple> std::string signature() {
  std::string text = "(";
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((text += (I ? ", " : ""), text += Type_name<std::tuple_element_t<I, Tuple>>::value), ...);
  }(std::make_index_sequence<std::tuple_size_v<Tuple>>{});
  return text + ")";
}

template <class P> bool accepts(Val const& v) {
  if constexpr (std::is_same_v<P, Val>)
    return true;
  else
    return v.is<P>();
}

template <class Tuple> bool matches(Val* argv, int argc) {
  constexpr std::size_t n = std::tuple_size_v<Tuple>;
  if (argc < 0 || static_cast<std::size_t>(argc) != n) return false;
  return [&]<std::size_t... I>(std::index_sequence<I...>) {
    return (accepts<std::tuple_element_t<I, Tuple>>(argv[I]) && ...);
  }(std::make_index_sequence<n>{});
}

// A host result as a script value: nothing is Null, integers are Ints.
template <class R> Val wrap(R&& r) {
  using T = std::remove_cvref_t<R>;
  if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
    return Val(static_cast<Int>(r));
  else
    return make_val(std::forward<R>(r));
}

// Calls f with the arguments unwrapped by reference; the caller has matched them.
template <class F> Val invoke(F& f, Val* argv) {
  using Tuple = params_of<F>;
  return [&]<std::size_t... I>(std::index_sequence<I...>) -> Val {
    using R = decltype(f(argv[I].template get_unsafe<std::tuple_element_t<I, Tuple>>()...));
    if constexpr (std::is_void_v<R>) {
      f(argv[I].template get_unsafe<std::tuple_element_t<I, Tuple>>()...);
      return Val();
    } else {
      return wrap(f(argv[I].template get_unsafe<std::tuple_element_t<I, Tuple>>()...));
    }
  }(std::make_index_sequence<std::tuple_size_v<Tuple>>{});
}

[[noreturn]] inline void expects(std::string const& text) {
  throw std::runtime_error("function expects " + text);
}

} // namespace detail

// One host callable with a fixed parameter list.
template <class F> struct Fun {
  mutable F f;

  explicit Fun(F fn) : f(std::move(fn)) {}

  Val call_(Val const*, Val* argv, int argc) const {
    using Tuple = detail::params_of<F>;
    if (!detail::matches<Tuple>(argv, argc)) detail::expects(detail::signature<Tuple>());
    return detail::invoke(f, argv);
  }
};

template <class F> Fun(F) -> Fun<F>;

// Closes an overload set: reports that no overload fits, listing the
// signatures of Fs in order.
template <class... Fs> struct Funs_end_tag {
  [[noreturn]] static void fail() {
    std::string text = "one of:";
    ((text += "\n  ", text += detail::signature<detail::params_of<Fs>>()), ...);
    detail::expects(text);
  }
};

// An overload set: Funs<F1, ..., Fn, Funs_end_tag<F1, ..., Fn>>. The first
// overload whose parameters fit the arguments is called.
template <class... Items> struct Funs;

template <class... Fs> struct Funs<Funs_end_tag<Fs...>> {
  [[noreturn]] Val try_(Val*, int) const { Funs_end_tag<Fs...>::fail(); }
  Val call_(Val const*, Val* argv, int argc) const { return try_(argv, argc); }
};

template <class F, class... Rest> struct Funs<F, Rest...> {
  mutable F head;
  Funs<Rest...> tail;

  template <class... A>
  explicit Funs(F f, A&&... rest) : head(std::move(f)), tail(std::forward<A>(rest)...) {}

  Val try_(Val* argv, int argc) const {
    if (detail::matches<detail::params_of<F>>(argv, argc)) return detail::invoke(head, argv);
    return tail.try_(argv, argc);
  }
  Val call_(Val const*, Val* argv, int argc) const { return try_(argv, argc); }
};

// Builds the overload set of the given callables, tried in this order.
template <class... Fs> Funs<Fs..., Funs_end_tag<Fs...>> make_funs(Fs... fs) {
  return Funs<Fs..., Funs_end_tag<Fs...>>(std::move(fs)...);
}

// Read and write access to one integer member of a host object, which
// scripts hold as a `Class*` value: f(object) reads it, f(object, n) sets it.
template <class Class, class Member> struct Field {
  Member Class::*member;

  explicit Field(Member Class::*m) : member(m) {}

  Val call_(Val const*, Val* argv, int argc) const {
    if (argc == 1) return Val(static_cast<Int>(argv[0].get<Class*>()->*member));
    if (argc == 2) {
      Int value = argv[1].get<Int>();
      argv[0].get<Class*>()->*member = static_cast<Member>(value);
      return Val();
    }
    detail::expects(std::string("one of:\n  ") + detail::signature<std::tuple<Class*, Int>>() +
                    "\n  " + detail::signature<std::tuple<Class*>>());
  }
};

} // namespace kestrine
