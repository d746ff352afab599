#include "content/type_file.hpp"

#include "foundation/slurp.hpp"

#include <string>

void load_script(std::unique_ptr<kestrine::Standalone>& slot, kestrine::Scope& scope, Pack_file& file,
                 std::string_view value, bool from_file) {
  try {
    std::string source = from_file ? slurp(file.dir / value) : std::string(value);
    slot = std::make_unique<kestrine::Standalone>(scope, source);
  } catch (...) {
    // The error itself ends the load; this says which line of which file.
    file.scan.error(value, from_file ? "script file can't be read or compiled" : "script does not compile");
    throw;
  }
}
