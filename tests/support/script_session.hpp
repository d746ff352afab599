#pragma once
// Runs script text the way the console does (locals kept from one text to
// the next) and reports each result as the console prints it.
#include <kestrine/kestrine.hpp>

#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct Script_session {
  kestrine::Scope& scope;
  std::vector<kestrine::Val> args;
  kestrine::Interactive console{};

  // The printed result, or "error: " and the message.
  std::string operator()(std::string_view text) {
    try {
      kestrine::Val v = console(scope, text, args.data(), static_cast<int>(args.size()));
      std::ostringstream o;
      o << v;
      return o.str();
    } catch (std::runtime_error const& e) {
      return std::string("error: ") + e.what();
    }
  }
};

// One text and what it must print (or "error: ...").
struct Script_step {
  char const* text;
  char const* expect;
};
