// Entry of the white-box tests: the library's objects are linked into this
// program, so start-up runs here as the module entry would run it.
#include <gtest/gtest.h>

#include "core/platform/os.h"
#include "core/startup.h"

int main(int argc, char** argv) {
  hvcn::LibraryStartup(hvcn::os::OwnModule());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
