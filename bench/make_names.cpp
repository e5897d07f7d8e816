// Writes N typed names (default 1000000) for the batch benchmark, one a
// line: the typed and single names of corpus.h in turn.
//
//   hvcn_make_names [N] > names.txt
#include <cstdio>
#include <cstdlib>

#include "corpus.h"

int main(int argc, char** argv) {
  using namespace hvcn::bench;
  const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
  constexpr size_t kTyped = sizeof kTypedNames / sizeof kTypedNames[0];
  constexpr size_t kSingle = sizeof kSingleNames / sizeof kSingleNames[0];
  for (long i = 0; i < count; ++i) {
    const size_t k = static_cast<size_t>(i) % (kTyped + kSingle);
    std::fputs(k < kTyped ? kTypedNames[k] : kSingleNames[k - kTyped], stdout);
    std::fputc('\n', stdout);
  }
  return 0;
}
