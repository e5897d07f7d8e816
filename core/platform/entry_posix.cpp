// The posix module entry: an ELF constructor runs the start-up sequence when
// libhvcn is loaded into a process, as DllMain does for process attach.
#include "core/platform/os.h"
#include "core/startup.h"

namespace {

__attribute__((constructor)) void AttachToProcess() {
  hvcn::LibraryStartup(hvcn::os::OwnModule());
}

}  // namespace
