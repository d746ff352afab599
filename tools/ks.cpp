// ks FILE | ks -: compiles and runs a kestrine script once against a scope
// with print, size, push and pop, then prints a non-null result as the
// console does. An error is printed on standard error (status 1). Scripts
// run without a time budget; Ctrl-C stops one with "script interrupted"
// (a second Ctrl-C ends the runner at once).
#include <kestrine/kestrine.hpp>

#include <csignal>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

// print(...): every argument in its expanded form, no separator, a newline.
struct Print_fn {
  Print_fn() = default;
  kestrine::Val call_(kestrine::Val const*, kestrine::Val* argv, int argc) const {
    for (int i = 0; i < argc; ++i) argv[i].print(std::cout, true);
    std::cout << '\n';
    return {};
  }
};

kestrine::Int size_fn(kestrine::Val const& v) { return static_cast<kestrine::Int>(v.size()); }

void push_fn(kestrine::List& list, kestrine::Val const& v) { list.push_back(v); }

void pop_fn(kestrine::List& list) {
  if (!list.empty()) list.pop_back();
}

void on_interrupt(int) { kestrine::request_interrupt(); }

void interrupt_on_ctrl_c() {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool read_all(std::istream& in, std::string& text) {
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: ks FILE (or - for standard input)\n";
    return 1;
  }
  std::string text;
  if (std::strcmp(argv[1], "-") == 0) {
    read_all(std::cin, text);
  } else {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in || !read_all(in, text)) {
      std::cerr << argv[1] << ": can't open\n";
      return 1;
    }
  }

  interrupt_on_ctrl_c();
  kestrine::Scope scope;
  scope.add("print", kestrine::Val(Print_fn{}));
  scope.add("size", kestrine::Val(kestrine::Fun(&size_fn)));
  scope.add("push", kestrine::Val(kestrine::Fun(&push_fn)));
  scope.add("pop", kestrine::Val(kestrine::Fun(&pop_fn)));
  try {
    kestrine::Val result = kestrine::eval(scope, text);
    if (result != kestrine::Val()) {
      result.print(std::cout, true);
      std::cout << '\n';
    }
  } catch (std::exception const& e) {
    std::cout.flush();
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
