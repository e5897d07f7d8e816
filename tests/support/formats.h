// Formats for white-box tests, prepared as hvcnParseFormatString leaves
// them but without its trace frame.
#pragma once

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "format/format.h"

namespace hvcn::test {

inline std::unique_ptr<hvcnFormat> ReadyFormat(const char* formatString = "%(CANON)%(EFA)%(X400)") {
  auto f = std::make_unique<hvcnFormat>();
  format::InitialiseFormat(f.get());
  std::strcpy(f->formatString, formatString);
  EXPECT_EQ(format::ApplyFormatDefaults(f.get()), hvcnSUCCESS);
  EXPECT_EQ(format::ParseFormatTokens(f->formatString, f.get(), f->tokens), hvcnSUCCESS);
  f->flags |= hvcnFMT_READY;
  return f;
}

}  // namespace hvcn::test
