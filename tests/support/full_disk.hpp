#pragma once
// A full disk for the length of a scope: a file size limit of 0 bytes, with
// SIGXFSZ ignored as the game ignores it, so every write fails while
// removals and renames still go through.
#include <csignal>

#include <sys/resource.h>

namespace full_disk {

class Full_disk {
public:
  Full_disk() : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &limit_);
    rlimit none = limit_;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
  }
  ~Full_disk() {
    setrlimit(RLIMIT_FSIZE, &limit_);
    std::signal(SIGXFSZ, signal_);
  }
  Full_disk(Full_disk const&) = delete;
  Full_disk& operator=(Full_disk const&) = delete;

private:
  void (*signal_)(int);
  rlimit limit_{};
};

} // namespace full_disk
