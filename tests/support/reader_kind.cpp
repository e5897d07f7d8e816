// The golden kind of the reader of pasted text (tests/data/reader.txt):
// each text classified, then read; the reading must agree with the export
// its kind dispatches to, called on a fresh format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kinds.h"

#define LIB(call) ::hvcn::test::Library([&] { return call; })

namespace hvcn::test {
namespace {

// The kinds by name, as hvcn.h numbers them.
const char* const kKindNames[] = {"none",    "typed",    "mailbox", "rfc822",    "annexf", "stdor",
                                  "exchange", "imcea",   "directory-name", "der-hex",     "aftn"};

std::string KindName(int32_t kind) {
  return kind >= 0 && kind < static_cast<int32_t>(std::size(kKindNames)) ? kKindNames[kind] : std::to_string(kind);
}

std::unique_ptr<hvcnFormat> Ready() {
  auto f = std::make_unique<hvcnFormat>();
  EXPECT_EQ(LIB(hvcnParseFormatString(nullptr, f.get())), hvcnSUCCESS);
  return f;
}

// The domain of an RFC 822 address ("phrase <...>" aside).
std::string DomainOf(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty() && text.back() == '>') text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  std::string domain = text.substr(text.rfind('@') + 1);
  while (!domain.empty() && domain.back() == ' ') domain.pop_back();
  return domain;
}

// flags text -> classify status, kind, read status, values (or detail).
std::vector<std::string> Reader(const GoldenCase& c) {
  const uint32_t flags = c[0] == "strict" ? hvcnREAD_STRICT : 0u;
  Exact text(c[1]);
  auto f = Ready();
  int32_t classified = -1;
  const int32_t classifyStatus = LIB(hvcnClassifyAddress(text.get(), f.get(), flags, &classified));
  const std::string classifyDetail = f->errorDetail;
  auto g = Ready();
  int32_t kind = -1;
  const int32_t status = LIB(hvcnReadAddress(text.get(), g.get(), flags, &kind));
  EXPECT_EQ(kind, classified) << "the reader reads the kind the classifier tells";
  // The export the kind dispatches to, on a fresh format, says the same.
  auto h = Ready();
  int32_t expected = status;
  switch (kind) {
    case hvcnKIND_TYPED: {
      uint32_t context = 0;
      expected = LIB(hvcnParseName(text.get(), h.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE));
      break;
    }
    case hvcnKIND_RFC822: {
      const std::string gateway = DomainOf(c[1]);
      expected = LIB(hvcnRFC822ToORAddress(text.get(), h.get(), gateway.c_str(), nullptr, 0));
      break;
    }
    case hvcnKIND_ANNEXF: case hvcnKIND_STDOR: case hvcnKIND_EXCHANGE: case hvcnKIND_IMCEA:
    case hvcnKIND_DIRECTORY_NAME:
      expected = LIB(hvcnParseORAddress(text.get(), h.get(), 0));
      break;
    case hvcnKIND_MAILBOX: {
      std::vector<char> out(2 * c[1].size() + 1);
      EXPECT_EQ(LIB(hvcnParseInternetName(text.get(), out.data())), 1u) << "a mailbox is one";
      h.reset();
      break;
    }
    default:
      h.reset();
  }
  if (h) {
    EXPECT_EQ(status, expected) << "the reader and the export of its kind";
    EXPECT_EQ(HeldValues(*g), HeldValues(*h));
    EXPECT_STREQ(g->errorDetail, h->errorDetail);
  }
  const std::string read = status == hvcnSUCCESS ? HeldValues(*g) : std::string(g->errorDetail);
  return {std::to_string(classifyStatus), KindName(classified), std::to_string(status),
          classifyStatus == hvcnSUCCESS ? read : classifyDetail};
}

}  // namespace

RowHandler ReaderRows() { return Reader; }

}  // namespace hvcn::test
