#include "foundation/gui_settings.hpp"

#include "support/gui.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

#include <imgui.h>
#include <imgui_internal.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Case {
  char const* what;
  std::string text;
  std::string kept;
};

std::string const window = "[Window][Hello]\nPos=60,60\nSize=400,400\nCollapsed=0\n\n";

// A window and a table of three columns drawn for a few frames, the table's
// columns hidden, sorted and sized as a player might; returns what the
// library writes for them.
std::string written_by_the_library() {
  Headless_gui gui;
  for (int frame = 0; frame < 4; ++frame) {
    gui.frame([&] {
      ImGui::Begin("Hello###main");
      ImGuiTableFlags const flags = ImGuiTableFlags_Resizable | ImGuiTableFlags_Reorderable |
                                    ImGuiTableFlags_Hideable | ImGuiTableFlags_Sortable;
      if (ImGui::BeginTable("t", 3, flags)) {
        ImGui::TableSetupColumn("a", ImGuiTableColumnFlags_DefaultSort);
        ImGui::TableSetupColumn("b", ImGuiTableColumnFlags_WidthFixed, 80);
        ImGui::TableSetupColumn("c", ImGuiTableColumnFlags_WidthStretch);
        if (frame == 1) ImGui::TableSetColumnEnabled(2, false);
        ImGui::TableHeadersRow();
        ImGui::EndTable();
      }
      ImGui::End();
      ImGui::SetNextWindowCollapsed(true);
      ImGui::SetNextWindowPos({-20, 700});
      ImGui::Begin("Закрыто");
      ImGui::End();
    });
  }
  ImGui::MarkIniSettingsDirty();
  return ImGui::SaveIniSettingsToMemory();
}

} // namespace

TEST(Gui_settings, WhatTheLibraryWritesIsKeptWhole) {
  std::string const own = written_by_the_library();
  ASSERT_NE(own.find("Column 2"), std::string::npos) << own;
  ASSERT_NE(own.find("Collapsed=1"), std::string::npos) << own;
  EXPECT_EQ(safe_gui_settings(own), own);
  // The fields it writes in other states, CRLF line ends and comments.
  std::string const other = "; the game's\r\n[Table][0x0000ABCD,64]\r\nRefScale=13.5\r\n"
                            "Column 0  UserID=0x42AD2D21 Width=100 Visible=1 Order=63 Sort=63^\r\n"
                            "Column 63 UserID=DEADBEEF Weight=0.0005 Order=0 Sort=0v\r\n\r\n"
                            "[Window][a]b][c]\nPos=-16384,16384\nSize=0,-3\n[Window][]\nCollapsed=1";
  EXPECT_EQ(safe_gui_settings(other), other);
}

TEST(Gui_settings, EntriesTheLibraryCannotTakeAreDropped) {
  std::string const table = "[Table][0x00000003,3]\n";
  std::string const nul("Pos=1,2\0\n", 9);
  std::vector<Case> const cases = {
      {"negative column count", "[Table][0x00000003,-5]\nColumn 0 Width=10\n" + window, window},
      {"no columns", "[Table][0x00000003,0]\nRefScale=13\n" + window, window},
      {"one column too many", "[Table][0x00000003,65]\n" + window, window},
      {"10^8 columns", "[Table][0x00000003,100000000]\n", ""},
      {"2^31-1 columns", "[Table][0x00000003,2147483647]\n", ""},
      {"count past a long", "[Table][0x00000003,99999999999999999999]\n", ""},
      {"nine hex digits", "[Table][0x000000003,3]\n", ""},
      {"no count", "[Table][0x00000003]\n", ""},
      {"column past the count", table + "Column 3 Width=10\nColumn 2 Width=10\n", table + "Column 2 Width=10\n"},
      {"negative column", table + "Column -1 Width=10\n", table},
      {"order past the count", table + "Column 0 Order=3\nColumn 0 Order=-1\n", table},
      {"sort past the count", table + "Column 1 Sort=3v\nColumn 1 Sort=1x\nColumn 1 Sort=1\n", table},
      {"width out of range", table + "Column 0 Width=16385\nColumn 0 Width=-1\n", table},
      {"weight not finite or not positive",
       table + "Column 0 Weight=nan\nColumn 0 Weight=inf\nColumn 0 Weight=1e39\nColumn 0 Weight=0\n", table},
      {"weight past the limit", table + "Column 0 Weight=16385\n", table},
      {"scale not a font size", table + "RefScale=1e-30\nRefScale=-2\nRefScale=nan\nRefScale=20000\n", table},
      {"unknown column field", table + "Column 0 Width=10 Height=3\nColumn0 Width=10\n", table},
      {"UserID of nine digits", table + "Column 0 UserID=0x123456789\n", table},
      {"window past the range",
       "[Window][w]\nPos=16385,0\nPos=0,-16385\nSize=70000,10\nPos=2147483648,1\nSize=1,\nCollapsed=2\n",
       "[Window][w]\n"},
      {"window numbers not integers", "[Window][w]\nPos=1.5,2\nSize=0x10,4\nPos=1,2 \n Pos=1,2\n", "[Window][w]\n"},
      {"NUL bytes", "[Window][w]\n" + nul + std::string("[Window][\0]\nPos=1,1\n", 20), "[Window][w]\n"},
      {"unknown kind", "[Docking][Data]\nDockNode ID=0x1\n" + window, window},
      {"lines outside a section", "Pos=1,2\n" + window, window},
      // The library skips a header without a name and keeps the section before.
      {"header without a name", "[Table][0x00000003,-5]\n[Window]\nPos=1,1\n" + window, window},
      {"lines split by CR alone", "[Window][w]\rPos=1,1\r[Table][0x1,-5]\rRefScale=1\r", "[Window][w]\rPos=1,1\r"},
  };
  for (Case const& c : cases) EXPECT_EQ(safe_gui_settings(c.text), c.kept) << c.what;
}

TEST(Gui_settings, SectionsPastTheLimitAreDroppedAndTheRestKept) {
  std::string text, kept;
  for (int i = 0; i < gui_settings_max_sections + 10; ++i) {
    std::string const section = "[Window][w" + std::to_string(i) + "]\nPos=1,2\n";
    text += section;
    if (i < gui_settings_max_sections) kept += section;
  }
  EXPECT_EQ(safe_gui_settings(text), kept);
  // Dropped sections don't count.
  std::string const dropped = "[Table][0x1,-5]\n[Nothing][x]\n";
  std::string many;
  for (int i = 0; i < gui_settings_max_sections; ++i) many += dropped;
  EXPECT_EQ(safe_gui_settings(many + window), window);
}

namespace {

struct Gui_settings_file_test : ::testing::Test {
  Temp_dir tmp;
  Sdl_log_capture log;
};

} // namespace

TEST_F(Gui_settings_file_test, WhatCantBeReadCountsAsNoneWithAWarning) {
  fs::create_directory(tmp / "dir");
  ASSERT_EQ(mkfifo((tmp / "fifo").c_str(), 0600), 0);
  fs::create_symlink("loop", tmp / "loop");
  tmp.write("big", std::string(gui_settings_max_bytes + 1, 'x'));
  struct File_case {
    fs::path path;
    char const* warning; // none for a file that is simply not there
    bool writable;
  };
  std::vector<File_case> const cases = {
      {tmp / "missing", nullptr, true},
      {tmp / "dir", "not a regular file", false},
      {tmp / "fifo", "not a regular file", false}, // opening it would wait for a writer
      {tmp / "loop", "can't be read", true},
      {"/proc/self/mem", "can't be read", true}, // a regular file that fails to read, even for root
      {tmp / "big", "larger than 1048576 bytes", true},
  };
  for (File_case const& c : cases) {
    log.lines.clear();
    Gui_settings_file const got = read_gui_settings_file(c.path);
    EXPECT_EQ(got.text, "") << c.path;
    EXPECT_EQ(got.writable, c.writable) << c.path;
    if (!c.warning) {
      EXPECT_TRUE(log.lines.empty()) << log.joined();
    } else {
      ASSERT_EQ(log.lines.size(), 1u) << c.path << log.joined();
      EXPECT_NE(log.lines[0].find(c.warning), std::string::npos) << log.lines[0];
      EXPECT_NE(log.lines[0].find(c.path.string()), std::string::npos) << log.lines[0];
    }
  }
}

TEST_F(Gui_settings_file_test, AFileUpToTheLimitIsReadWhole) {
  for (std::string const& text : {std::string(), std::string("a\0b", 3), std::string(gui_settings_max_bytes, 'x')}) {
    Gui_settings_file const got = read_gui_settings_file(tmp.write("imgui.ini", text));
    EXPECT_EQ(got.text, text);
    EXPECT_TRUE(got.writable);
  }
  EXPECT_TRUE(log.lines.empty()) << log.joined();
}

// What the filter keeps of hostile files, numbers at the ends of their
// ranges, goes into the library and its window and table are drawn from it
// without harm.
TEST(Gui_settings, WhatIsKeptOfHostileFilesIsDrawnSafely) {
  char table[32]; // the settings of table "t" in window "Hello"
  std::snprintf(table, sizeof table, "[Table][0x%08X", ImHashStr("t", 0, ImHashStr("Hello")));
  std::string const hostile[] = {
      table + std::string(",64]\nColumn 0 Visible=0 Sort=0v\nColumn 1 Visible=0\nColumn 5 Order=1\n"),
      table + std::string(",2]\nRefScale=1\nColumn 0 Width=16384 Order=1 Sort=0^\nColumn 1 Width=0 Order=0 Sort=1v\n"
                          "RefScale=1e-30\nColumn 0 Weight=0\n"),
      "[Window][Hello]\nPos=99999,-99999\nPos=16384,-16384\nSize=16384,1\nCollapsed=7\n",
  };
  for (std::string const& text : hostile) {
    Headless_gui gui({800, 600});
    std::string const kept = safe_gui_settings(text);
    ImGui::LoadIniSettingsFromMemory(kept.c_str(), kept.size());
    for (int frame = 0; frame < 3; ++frame) {
      gui.frame([] {
        ImGui::Begin("Hello");
        if (ImGui::BeginTable("t", 2, ImGuiTableFlags_Resizable | ImGuiTableFlags_Sortable)) {
          ImGui::TableSetupColumn("a");
          ImGui::TableSetupColumn("b");
          ImGui::TableHeadersRow();
          ImGui::EndTable();
        }
        ImGui::End();
      });
    }
    ImGuiWindow const* w = Headless_gui::drawn("Hello");
    ASSERT_TRUE(w) << text;
    EXPECT_TRUE(std::abs(w->Pos.x) <= 16384 && std::abs(w->Pos.y) <= 16384) << text;
    ImGui::MarkIniSettingsDirty();
    std::string const saved = ImGui::SaveIniSettingsToMemory();
    EXPECT_EQ(safe_gui_settings(saved), saved) << text;
    if (kept.find("Sort=0^") != std::string::npos) {
      EXPECT_NE(saved.find("Sort=0^"), std::string::npos) << saved;
    }
  }
}
