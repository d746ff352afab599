#include "content/item_db.hpp"

#include "content/type_file.hpp"

void Item_database::load(kestrine::Scope& scope) { load(scope, packs_dir()); }

void Item_database::load(kestrine::Scope& scope, fs::path const& packs) {
  for_each_pack(packs, [&](fs::path const& dir) {
    Item_type* item = nullptr;
    std::string key;
    read_pack_file(dir, "item_types.cfg", [&](Pack_file& file, int kind) {
      switch (kind) {
      case Kv_scan::Section: {
        Item_type& found = (*this)[file.prefix + std::string(file.scan.token)];
        item = found.id ? &found : nullptr; // record 0: the name was refused
        break;
      }
      case Kv_scan::Key: key = file.scan.token; break;
      case Kv_scan::Value:
        if (!item) break;
        if (key == "use") load_script(item->use, scope, file, file.scan.token, false);
        else if (key == "use.fun") load_script(item->use, scope, file, file.scan.token, true);
        else file.scan.error(file.scan.token, "unrecognized key");
        break;
      }
    });
  });
}

Item_database& item_db() {
  static Item_database db;
  return db;
}
