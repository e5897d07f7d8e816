// The golden files of the exports: for each kind, the file and a handler
// that runs a row through the shared library; and the corpus of every row
// and script, which the thread and heap tests run for a digest.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "golden.h"
#include "script.h"

namespace hvcn::test {

struct GoldenKind {
  const char* file;  // in tests/data; "" for the kinds only regressions.txt has
  size_t minFields, maxFields;
  RowHandler handler;
};

// By the name regressions.txt gives the kind.
const std::map<std::string, GoldenKind>& GoldenKinds();

// The rows of orname.txt (support/orname_kind.cpp).
RowHandler ORAddressRows();

// The rows of ber.txt (support/ber_kind.cpp).
RowHandler BerRows();

// A name read from a standard form or decoded from DER under the exports
// every held name meets: nameType hvcnNAME_OR_ADDRESS, each value through
// hvcnGetAttributeValue, each internal type encoded (never the held text
// handed back) with type 3 decoding to the same values, hvcnFormatName.
void CheckReadName(hvcnFormat* f);
// The rows of amhs.txt (support/amhs_kind.cpp).
RowHandler AmhsRows();
// The rows of reader.txt (support/reader_kind.cpp).
RowHandler ReaderRows();

// The library's own log of this process as the API tests have it: level 0
// (no profile), tnname.log in the working folder.
const TraceHooks& LevelZeroLog();

// hvcnParseInternetName as a model of the grammar reads it: the answer and
// the normalised text.
std::pair<uint32_t, std::string> ModelInternetName(const std::string& name);

// Every golden file and scenario script, read once. Run passes every row
// through the exports, starting with the file `rotation` chooses, and folds
// the answers into a digest; rows that trace or change what all formats
// share are left out. `calls` counts the calls into the library.
class Corpus {
 public:
  Corpus();
  uint64_t Run(size_t rotation, uint64_t* calls = nullptr) const;

 private:
  std::vector<std::pair<const GoldenKind*, std::vector<GoldenCase>>> files_;
};

}  // namespace hvcn::test
