// The station's menus and dialog templates, looked up by resource name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "winsys/template.h"

namespace resources {

struct EmbeddedFile {
  const char* name;  // file name, e.g. "XARN_SETUP.dlg"
  const char* text;
};
const std::vector<EmbeddedFile>& embeddedFiles();

// Null when there is no such resource.
const winsys::DialogTemplate* dialog(std::string_view name);
const winsys::Menu* menu(std::string_view name);

// Every fault found while reading the resources ("FILE: line N: ..."); empty when all are good.
const std::vector<std::string>& faults();
std::vector<std::string> dialogNames();

}  // namespace resources
