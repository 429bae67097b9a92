#include "resources/resources.h"

#include <map>

namespace resources {
namespace {

struct Catalogue {
  std::map<std::string, winsys::DialogTemplate, std::less<>> dialogs;
  std::map<std::string, winsys::Menu, std::less<>> menus;
  std::vector<std::string> faults;
};

const Catalogue& catalogue() {
  static const Catalogue loaded = [] {
    Catalogue c;
    for (const EmbeddedFile& file : embeddedFiles()) {
      std::string name = file.name;
      std::string error;
      if (name.ends_with(".dlg")) {
        winsys::DialogTemplate t;
        if (winsys::parseDialog(file.text, t, error)) {
          c.dialogs[t.name] = std::move(t);
        } else {
          c.faults.push_back(name + ": " + error);
        }
      } else if (name.ends_with(".mnu")) {
        winsys::Menu m;
        if (winsys::parseMenu(file.text, m, error)) {
          c.menus[m.name] = std::move(m);
        } else {
          c.faults.push_back(name + ": " + error);
        }
      }
    }
    return c;
  }();
  return loaded;
}

}  // namespace

const winsys::DialogTemplate* dialog(std::string_view name) {
  auto it = catalogue().dialogs.find(name);
  return it == catalogue().dialogs.end() ? nullptr : &it->second;
}

const winsys::Menu* menu(std::string_view name) {
  auto it = catalogue().menus.find(name);
  return it == catalogue().menus.end() ? nullptr : &it->second;
}

const std::vector<std::string>& faults() { return catalogue().faults; }

std::vector<std::string> dialogNames() {
  std::vector<std::string> names;
  for (const auto& [name, t] : catalogue().dialogs) names.push_back(name);
  return names;
}

}  // namespace resources
