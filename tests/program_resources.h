// The program's compiled resource file, loaded as the module the dialog
// manager reads (the build names the file in QEL_RES_FILE).
#ifndef QEL_TESTS_PROGRAM_RESOURCES_H
#define QEL_TESTS_PROGRAM_RESOURCES_H

#include <fstream>
#include <iterator>
#include <vector>

#include "module.h"

inline const std::vector<unsigned char>& ResourceFile() {
  static const std::vector<unsigned char> bytes = [] {
    std::ifstream in(QEL_RES_FILE, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
  }();
  return bytes;
}

inline HINSTANCE Program() {
  static HINSTANCE__ module = {ResourceFile().data(), ResourceFile().size()};
  return &module;
}

#endif
