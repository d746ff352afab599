#include "foundation/paths.hpp"
#include "foundation/slurp.hpp"
#include "support/sdl_log.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

struct Env {
  std::map<std::string, std::string> vars;
  Getenv fn() const {
    return [this](char const* n) -> char const* {
      auto it = vars.find(n);
      return it == vars.end() ? nullptr : it->second.c_str();
    };
  }
};

struct Temp_dir {
  fs::path dir;
  Temp_dir() {
    char tmpl[] = "/tmp/terrafold-test-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  ~Temp_dir() { fs::remove_all(dir); }
  void write(fs::path const& rel, std::string const& content) const {
    fs::create_directories((dir / rel).parent_path());
    std::ofstream(dir / rel, std::ios::binary) << content;
  }
};

// Runs a shell command line, returns (exit status, combined output).
std::pair<int, std::string> run(std::string const& cmd) {
  std::string out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  char buf[512];
  while (std::size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string self() { return fs::read_symlink("/proc/self/exe"); }

} // namespace

TEST(Paths, DefaultsFollowHomeAndEmptyCountsAsUnset) {
  Env env{{{"HOME", "/home/u"}, {"XDG_DATA_HOME", ""}, {"XDG_CONFIG_DIRS", ""}}};
  Paths p(env.fn());
  ASSERT_EQ(p.data.dirs.size(), 3u);
  EXPECT_EQ(p.data.dirs[0], "/home/u/.local/share");
  EXPECT_EQ(p.data.dirs[1], "/usr/local/share/");
  EXPECT_EQ(p.data.dirs[2], "/usr/share/");
  ASSERT_EQ(p.config.dirs.size(), 2u);
  EXPECT_EQ(p.config.dirs[0], "/home/u/.config");
  EXPECT_EQ(p.config.dirs[1], "/etc/xdg/");
  EXPECT_EQ(p.state.dir, "/home/u/.local/state");
  EXPECT_EQ(p.cache.dir, "/home/u/.cache");
  EXPECT_EQ(p.runtime.dir, "/tmp");
}

TEST(Paths, OverridesNeedNoHome) {
  Env env{{{"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"},
           {"XDG_CACHE_HOME", "/k"}, {"XDG_RUNTIME_DIR", "/r"}, {"XDG_DATA_DIRS", "/x"}}};
  Paths p(env.fn());
  EXPECT_EQ(p.data.dirs, (std::vector<fs::path>{"/d", "/x"}));
  EXPECT_EQ(p.config.dirs.front(), "/c");
  EXPECT_EQ(p.state.dir, "/s");
  EXPECT_EQ(p.cache.dir, "/k");
  EXPECT_EQ(p.runtime.dir, "/r");
}

TEST(Paths, ListSplittingKeepsEmptyItemsButNotATrailingColon) {
  Dirs d("/home", "/a::/b:");
  EXPECT_EQ(d.dirs, (std::vector<fs::path>{"/home", "/a", "", "/b"}));
  EXPECT_EQ(Dirs("/h", "").dirs, (std::vector<fs::path>{"/h"}));
  EXPECT_EQ(Dirs("/h", ":x").dirs, (std::vector<fs::path>{"/h", "", "x"}));
}

TEST(PathsDeathTest, MissingHomeEndsTheProcessOnlyWhenNeeded) {
  Env env{{{"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"}}};
  EXPECT_EXIT(Paths{env.fn()}, testing::ExitedWithCode(255), "unset environment variable 'HOME'");
  env.vars["HOME"] = "";
  EXPECT_EXIT(Paths{env.fn()}, testing::ExitedWithCode(255), "unset environment variable 'HOME'");
}

// The global is built before main: a process without HOME and without the
// XDG homes never reaches its entry point.
TEST(Paths, StaticInitialisationExitsBeforeMainWithoutHome) {
  auto [code, out] = run("env -i " + self() + " --gtest_list_tests");
  EXPECT_EQ(code, 255);
  EXPECT_NE(out.find("unset environment variable 'HOME'"), std::string::npos) << out;
  EXPECT_EQ(out.find("Paths."), std::string::npos) << "main ran: " << out;

  auto [ok, listing] = run("env -i XDG_DATA_HOME=/d XDG_CONFIG_HOME=/c XDG_STATE_HOME=/s "
                           "XDG_CACHE_HOME=/k " + self() + " --gtest_list_tests");
  EXPECT_EQ(ok, 0) << listing;
}

TEST(Dirs, ReadFindsTheFirstCopyAndLogsTheSearchWhenNoneExists) {
  Temp_dir home, sys;
  sys.write("terrafold/a.cfg", "sys");
  sys.write("terrafold/b.cfg", "sys");
  home.write("terrafold/b.cfg", "home");
  Dirs d(home.dir, sys.dir.string() + ":/nonexistent");
  EXPECT_EQ(d.r(basedir / "a.cfg"), sys.dir / "terrafold/a.cfg");
  EXPECT_EQ(d.r(basedir / "b.cfg"), home.dir / "terrafold/b.cfg");
  EXPECT_EQ(d.r(basedir), home.dir / "terrafold"); // directories count too

  Sdl_log_capture log;
  fs::path none = d.r(basedir / "c.cfg");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(log.joined(), "terrafold/c.cfg: No such file or directory\n  | " + home.dir.string() +
                              "\n  | " + sys.dir.string() + "\n  | /nonexistent\n");
}

TEST(Dirs, WriteCreatesParentsButNotTheNameItself) {
  Temp_dir home;
  Dirs d(home.dir / "data", "/usr/share");
  fs::path world = d.w(basedir / "save" / "default");
  EXPECT_EQ(world, home.dir / "data/terrafold/save/default");
  EXPECT_TRUE(fs::is_directory(home.dir / "data/terrafold/save"));
  EXPECT_FALSE(fs::exists(world));
  Home h(home.dir / "state");
  EXPECT_EQ(h.r("x/y"), home.dir / "state/x/y");
  EXPECT_FALSE(fs::exists(home.dir / "state"));
  h.w("x/y");
  EXPECT_TRUE(fs::is_directory(home.dir / "state/x"));
}

TEST(Slurp, ReadsEveryByteWhateverTheSize) {
  Temp_dir t;
  for (std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 8192u, 10000u}) {
    std::string content;
    for (std::size_t i = 0; i < size; ++i) content += static_cast<char>(i * 7 % 256);
    t.write("f", content);
    EXPECT_EQ(slurp(t.dir / "f"), content) << size;
  }
  std::istringstream in(std::string("a\0b\r\n\xff", 6));
  EXPECT_EQ(slurp(in), std::string("a\0b\r\n\xff", 6));
}

TEST(Slurp, MissingFileThrowsWithThePath) {
  try {
    slurp(fs::path("no/such/file.cfg"));
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_STREQ(e.what(), "no/such/file.cfg");
  }
  EXPECT_THROW(slurp(fs::path()), std::runtime_error);
}
