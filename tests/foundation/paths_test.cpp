#include "foundation/paths.hpp"
#include "foundation/slurp.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

#include <map>
#include <sstream>

namespace {

Getenv env(std::map<std::string, std::string> const& vars) {
  return [vars](char const* n) -> char const* {
    auto it = vars.find(n);
    return it == vars.end() ? nullptr : it->second.c_str();
  };
}

} // namespace

TEST(Paths, DefaultsFollowHomeEmptyCountsAsUnsetAndOverridesNeedNoHome) {
  using V = std::vector<fs::path>;
  Paths p(env({{"HOME", "/home/u"}, {"XDG_DATA_HOME", ""}, {"XDG_CONFIG_DIRS", ""}}));
  EXPECT_EQ(p.data.dirs, (V{"/home/u/.local/share", "/usr/local/share/", "/usr/share/"}));
  EXPECT_EQ(p.config.dirs, (V{"/home/u/.config", "/etc/xdg/"}));
  EXPECT_EQ((V{p.state.dir, p.cache.dir, p.runtime.dir}), (V{"/home/u/.local/state", "/home/u/.cache", "/tmp"}));
  Paths q(env({{"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"},
               {"XDG_CACHE_HOME", "/k"}, {"XDG_RUNTIME_DIR", "/r"}, {"XDG_DATA_DIRS", "/x"}}));
  EXPECT_EQ(q.data.dirs, (V{"/d", "/x"}));
  EXPECT_EQ((V{q.config.dirs.front(), q.state.dir, q.cache.dir, q.runtime.dir}), (V{"/c", "/s", "/k", "/r"}));
  // Lists keep empty items but not a trailing colon.
  EXPECT_EQ(Dirs("/home", "/a::/b:").dirs, (V{"/home", "/a", "", "/b"}));
  EXPECT_EQ(Dirs("/h", "").dirs, (V{"/h"}));
  EXPECT_EQ(Dirs("/h", ":x").dirs, (V{"/h", "", "x"}));
}

TEST(PathsDeathTest, WithoutTheXdgOverridesAMissingOrEmptyHomeEndsTheProcess) {
  std::map<std::string, std::string> vars{{"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"}};
  EXPECT_EXIT(Paths{env(vars)}, testing::ExitedWithCode(255), "unset environment variable 'HOME'");
  vars["HOME"] = "";
  EXPECT_EXIT(Paths{env(vars)}, testing::ExitedWithCode(255), "unset environment variable 'HOME'");
}

TEST(Dirs, ReadFindsTheFirstCopyLogsAFailedSearchAndWriteMakesOnlyParents) {
  Temp_dir home, sys;
  sys.write("terrafold/a.cfg", "sys");
  sys.write("terrafold/b.cfg", "sys");
  home.write("terrafold/b.cfg", "home");
  Dirs d(home.dir, sys.dir.string() + ":/nonexistent");
  EXPECT_EQ(d.r(basedir / "a.cfg"), sys / "terrafold/a.cfg");
  EXPECT_EQ(d.r(basedir / "b.cfg"), home / "terrafold/b.cfg");
  EXPECT_EQ(d.r(basedir), home / "terrafold"); // directories count too
  Sdl_log_capture log;
  EXPECT_EQ(d.find(basedir / "b.cfg"), home / "terrafold/b.cfg");
  EXPECT_TRUE(d.find(basedir / "c.cfg").empty()); // quietly
  EXPECT_TRUE(d.r(basedir / "c.cfg").empty());
  EXPECT_EQ(log.joined(), "terrafold/c.cfg: No such file or directory\n  | " + home.dir.string() + "\n  | " +
                              sys.dir.string() + "\n  | /nonexistent\n");

  Dirs data(home / "data", "/usr/share");
  EXPECT_EQ(data.w(basedir / "save" / "default"), home / "data/terrafold/save/default");
  EXPECT_TRUE(fs::is_directory(home / "data/terrafold/save"));
  EXPECT_FALSE(fs::exists(home / "data/terrafold/save/default"));
  Home h(home / "state");
  EXPECT_EQ(h.r("x/y"), home / "state/x/y");
  EXPECT_FALSE(fs::exists(home / "state"));
  h.w("x/y");
  EXPECT_TRUE(fs::is_directory(home / "state/x"));
}

TEST(Dirs, ADirectoryOfTheListThatCantBeExaminedIsPassedOver) {
  Temp_dir home, sys;
  sys.write("terrafold/a.cfg", "sys");
  home.write("file", "not a directory");
  std::string const too_long = "/" + std::string(300, 'x'); // ENAMETOOLONG
  Dirs d(home.dir, too_long + ":" + (home / "file").string() + ":" + sys.dir.string());
  EXPECT_EQ(d.r(basedir / "a.cfg"), sys / "terrafold/a.cfg");
  Sdl_log_capture log;
  EXPECT_TRUE(d.r(basedir / "b.cfg").empty());
  EXPECT_EQ(log.lines.size(), 5u) << log.joined(); // the name, then every directory of the list
}

TEST(Slurp, ReadsEveryByteWhateverTheSizeAndAMissingFileThrowsItsPath) {
  Temp_dir t;
  for (std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 8192u, 10000u}) {
    std::string content;
    for (std::size_t i = 0; i < size; ++i) content += char(i * 7 % 256);
    EXPECT_EQ(slurp(t.write("f", content)), content) << size;
  }
  std::istringstream in(std::string("a\0b\r\n\xff", 6));
  EXPECT_EQ(slurp(in), std::string("a\0b\r\n\xff", 6));
  EXPECT_EQ(error_of([] { slurp(fs::path("no/such/file.cfg")); }), "no/such/file.cfg");
  EXPECT_EQ(error_of([] { slurp(fs::path()); }), "");
}
