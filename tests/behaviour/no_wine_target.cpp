// Builds without the Wine target.
#include <cstdio>
#include <cstdlib>

#include "target.h"

std::unique_ptr<Target> MakeWineTarget(const std::string&) {
  std::fprintf(stderr, "this test program was built without the Wine target\n");
  std::exit(2);
}
