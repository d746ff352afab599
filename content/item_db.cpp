#include "content/item_db.hpp"

#include "content/type_file.hpp"

void Item_database::load(kestrine::Scope& scope) { load(scope, packs_dir()); }

void Item_database::load(kestrine::Scope& scope, fs::path const& packs) {
  load_type_file(*this, packs, "item_types.cfg", [&](Item_type& item, Pack_file& file, std::string_view key) {
    std::string_view const value = file.scan.token;
    if (key == "use") load_script(item.use, scope, file, value, false);
    else if (key == "use.fun") load_script(item.use, scope, file, value, true);
    else file.scan.error(value, "unrecognized key");
  });
}

Item_database& item_db() {
  static Item_database db;
  return db;
}
