// xarn_console [SCRIPT]: runs the station without a screen, in the current directory.
#include <fstream>
#include <iostream>

#include "console/console.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: xarn_console [SCRIPT]\n";
    return 2;
  }
  console::Console console(std::cout);
  if (argc == 2) {
    std::ifstream script(argv[1]);
    if (!script) {
      std::cerr << "xarn_console: cannot read " << argv[1] << "\n";
      return 2;
    }
    return console.run(script);
  }
  return console.run(std::cin);
}
