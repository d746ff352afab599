#pragma once
// The script functions on the console and on plain values: "print" and
// "clear" on the console's transcript, "say" on the action bar, "rand", and
// the list helpers "size", "push" and "pop".
#include "game/fun_env.hpp"

#include <kestrine/kestrine.hpp>

#include <random>
#include <string>

class Script;
class Transcript;

// Every argument in its printed form, back to back, then a newline, into
// the transcript and straight on to standard output (after whatever the
// transcript still held for it), since the transcript keeps only its newest
// lines. The text counts against the scripts' memory limit and time budget
// while it is built.
struct fun_print_ {
  Transcript* transcript;
  kestrine::Val call_(kestrine::Val const* env, kestrine::Val* argv, int argc) const;
};
// Empties the transcript, including what standard output has not seen yet.
struct fun_clear_ {
  Script* script;
  void operator()() const;
};
// The action bar's message for the next five seconds.
struct fun_say_ {
  Fun_env_ptr env;
  void operator()(std::string const& text) const;
};
// Uniform over a to b, both included; "rand expects a <= b" otherwise.
struct fun_rand_ {
  std::minstd_rand* engine;
  kestrine::Int operator()(kestrine::Int a, kestrine::Int b) const;
};

kestrine::Int fun_size_(kestrine::Val const& v);
// Appends v itself (not a copy) to the list.
void fun_push_(kestrine::List& list, kestrine::Val const& v);
// Drops the last element, if any; it is not returned.
void fun_pop_(kestrine::List& list);
