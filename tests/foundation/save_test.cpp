// Whether a directory can take the files a save makes.
#include "foundation/save.hpp"
#include "util.hpp"

#include <cstring>

TEST(Writable_dir, IsMadeWhenMissingAndRefusedWithTheReasonWhenFilesCantBeMadeInIt) {
  Temp_dir tmp;
  tmp.write("file", "in the way");
  fs::create_directories(tmp / "made");
  std::string const not_dir = std::strerror(ENOTDIR);
  struct Case { fs::path dir; std::string why; } const cases[] = {
      {tmp / "new/world", ""},                          // parents made too
      {tmp / "made", ""},                               // already there
      {tmp / "file", not_dir},                          // a file where the folder should be
      {tmp / "file/world", not_dir},                    // a file where a parent should be
      {tmp / std::string(256, 'w'), std::strerror(ENAMETOOLONG)},
      {"/proc", std::strerror(ENOENT)},                 // a folder no file can be made in, even by root
  };
  for (auto const& c : cases) {
    EXPECT_EQ(make_writable_dir(c.dir), c.why) << c.dir;
    if (c.why.empty()) {
      EXPECT_TRUE(fs::is_directory(c.dir)) << c.dir;
      EXPECT_TRUE(fs::is_empty(c.dir)) << c.dir << ": the test file stays behind";
    }
  }
  EXPECT_EQ(Temp_dir::read(tmp / "file"), "in the way");
}
