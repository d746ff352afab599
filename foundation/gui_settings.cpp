#include "foundation/gui_settings.hpp"

#include <SDL.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void warn(fs::path const& path, std::string const& why) {
  SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "GUI settings not read: '%s' %s", path.c_str(), why.c_str());
}

} // namespace

Gui_settings_file read_gui_settings_file(fs::path const& path) {
  Gui_settings_file out;
  std::error_code ec;
  fs::file_status const st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return out;
  if (ec) {
    warn(path, "can't be read: " + ec.message());
    return out;
  }
  if (st.type() != fs::file_type::regular) {
    out.writable = false;
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "GUI settings neither read nor saved: '%s' is not a regular file",
                path.c_str());
    return out;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    warn(path, std::string("can't be read: ") + std::strerror(errno));
    return out;
  }
  // Read one byte past the limit rather than trust the size: the file may
  // grow, and some files say 0.
  std::string text(gui_settings_max_bytes + 1, '\0');
  std::size_t const n = std::fread(text.data(), 1, text.size(), f);
  bool const failed = std::ferror(f);
  int const error = errno;
  std::fclose(f);
  if (failed) {
    warn(path, std::string("can't be read: ") + std::strerror(error));
  } else if (n > gui_settings_max_bytes) {
    warn(path, "is larger than " + std::to_string(gui_settings_max_bytes) + " bytes");
  } else {
    text.resize(n);
    out.text = std::move(text);
  }
  return out;
}

namespace {

using Sv = std::string_view;

bool take(Sv& s, Sv prefix) {
  if (!s.starts_with(prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// A decimal integer, as the library writes it.
std::optional<long long> integer(Sv& s) {
  long long v = 0;
  auto const [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc()) return std::nullopt;
  s.remove_prefix(static_cast<std::size_t>(end - s.data()));
  return v;
}

std::optional<long long> integer_in(Sv& s, long long lo, long long hi) {
  auto const v = integer(s);
  return v && *v >= lo && *v <= hi ? v : std::nullopt;
}

std::optional<double> real(Sv& s) {
  double v = 0;
  auto const [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  s.remove_prefix(static_cast<std::size_t>(end - s.data()));
  return v;
}

// An ID: the library reads at most 8 hex digits.
bool hex_id(Sv& s) {
  std::size_t n = 0;
  while (n < s.size() && n < 9 && std::isxdigit(static_cast<unsigned char>(s[n]))) ++n;
  if (n == 0 || n > 8) return false;
  s.remove_prefix(n);
  return true;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

bool window_line(Sv s) {
  long long const e = gui_settings_max_extent;
  if (take(s, "Pos=") || take(s, "Size="))
    return integer_in(s, -e, e) && take(s, ",") && integer_in(s, -e, e) && s.empty();
  return take(s, "Collapsed=") && integer_in(s, 0, 1) && s.empty();
}

bool column_field(Sv s, int columns) {
  long long const e = gui_settings_max_extent;
  if (take(s, "UserID=")) {
    take(s, "0x");
    return hex_id(s) && s.empty();
  }
  if (take(s, "Width=")) return integer_in(s, 0, e) && s.empty();
  if (take(s, "Weight=")) {
    auto const w = real(s);
    // No weight of zero: all of them zero would divide by their sum.
    return w && *w > 0 && *w <= e && s.empty();
  }
  if (take(s, "Visible=")) return integer_in(s, 0, 1) && s.empty();
  if (take(s, "Order=")) return integer_in(s, 0, columns - 1) && s.empty();
  if (take(s, "Sort=")) return integer_in(s, 0, columns - 1) && (take(s, "v") || take(s, "^")) && s.empty();
  return false;
}

bool table_line(Sv s, int columns) {
  if (take(s, "RefScale=")) {
    // A font size: a tiny one would scale the widths without bound.
    auto const f = real(s);
    return f && (*f == 0 || (*f >= 1 && *f <= gui_settings_max_extent)) && s.empty();
  }
  if (!take(s, "Column") || s.empty() || !blank(s.front())) return false;
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  if (!integer_in(s, 0, columns - 1)) return false;
  while (!s.empty()) {
    if (!blank(s.front())) return false;
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    std::size_t n = 0;
    while (n < s.size() && !blank(s[n])) ++n;
    if (n > 0 && !column_field(s.substr(0, n), columns)) return false;
    s.remove_prefix(n);
  }
  return true;
}

// The column count of a table section's name "0xID,count", or 0 when the
// name is not one or the count is outside what the library allows.
int table_columns(Sv name) {
  if (!take(name, "0x") || !hex_id(name) || !take(name, ",")) return 0;
  auto const n = integer_in(name, 1, gui_settings_max_columns);
  return n && name.empty() ? static_cast<int>(*n) : 0;
}

} // namespace

std::string safe_gui_settings(Sv text) {
  std::string out;
  out.reserve(text.size());
  enum class Section { none, window, table } section = Section::none;
  int columns = 0;
  int sections = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    // The library ends a line at either of CR and LF.
    std::size_t end = text.find_first_of("\r\n", i);
    if (end == Sv::npos) end = text.size();
    std::size_t next = end;
    if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    Sv const line = text.substr(i, end - i);
    Sv const whole = text.substr(i, next - i);
    i = next;

    if (line.find('\0') != Sv::npos) {
      // To the library a header still, of a name cut short.
      if (line.front() == '[') section = Section::none;
      continue;
    }
    if (line.empty() || line.front() == ';') {
      out += whole;
      continue;
    }
    if (line.front() == '[' && line.back() == ']') {
      // "[kind][name]": the kind ends at the first ']', the name starts
      // after the next '['. The library skips a header without both and
      // goes on with the section before, and so does this.
      Sv const inner = line.substr(1, line.size() - 2);
      std::size_t const kind_end = inner.find(']');
      if (kind_end == Sv::npos) continue;
      std::size_t const name_start = inner.find('[', kind_end + 1);
      if (name_start == Sv::npos) continue;
      Sv const kind = inner.substr(0, kind_end);
      Sv const name = inner.substr(name_start + 1);
      section = Section::none;
      if (sections >= gui_settings_max_sections) continue;
      if (kind == "Window") {
        section = Section::window;
      } else if (kind == "Table" && (columns = table_columns(name)) > 0) {
        section = Section::table;
      } else {
        continue;
      }
      ++sections;
      out += whole;
      continue;
    }
    bool const keep = (section == Section::window && window_line(line)) ||
                      (section == Section::table && table_line(line, columns));
    if (keep) out += whole;
  }
  return out;
}
