// The reader of pasted text: hvcnClassifyAddress and hvcnReadAddress.
//
// Input: flags (1 byte: 0x01 strict), then the text.
// Properties: the classifier answers a documented status, a kind exactly
// when it succeeds and a reason when it does not; the reader reads the kind
// the classifier tells, and agrees with the export that kind dispatches to,
// called on a fresh format (status, held values and detail): hvcnParseName
// for a typed name, hvcnParseORAddress for the standard forms, Exchange's
// spellings, IMCEA and directory names, hvcnRFC822ToORAddress (the
// address's own domain as the gateway) for a gateway address; a mailbox is
// one for hvcnParseInternetName and is not read.
#include <string>
#include <vector>

#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

std::unique_ptr<hvcnFormat> Ready() {
  auto f = NewFormat();
  Check(hvcnParseFormatString(nullptr, f.get()) == hvcnSUCCESS, "the default format string parses");
  return f;
}

std::string DomainOf(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  if (!text.empty() && text.back() == '>') text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  std::string domain = text.substr(text.rfind('@') + 1);
  while (!domain.empty() && (domain.back() == ' ' || domain.back() == '\t')) domain.pop_back();
  size_t start = 0;
  while (start < domain.size() && (domain[start] == ' ' || domain[start] == '\t')) ++start;
  return domain.substr(start);
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint32_t flags = in.Byte() & hvcnREAD_STRICT;
  const ExactText text(in.Rest());
  auto f = Ready();
  int32_t classified = -1;
  const int32_t status = hvcnClassifyAddress(text.c_str(), f.get(), flags, &classified);
  CheckStatus(status, {hvcnSUCCESS, hvcnERR_NAME_TOO_LONG, hvcnERR_NOT_AN_ADDRESS}, "hvcnClassifyAddress");
  Check((status == hvcnSUCCESS) == (classified != hvcnKIND_NONE), "a kind exactly when the classifier succeeds");
  Check(classified >= hvcnKIND_NONE && classified <= hvcnKIND_DIRECTORY_NAME, "a kind the library reads");
  Check(FieldTerminated(f->errorDetail), "errorDetail terminated");
  if (status != hvcnSUCCESS) Check(f->errorDetail[0] != '\0', "no kind: a reason");
  Check(!(f->flags & hvcnFMT_NAME_HELD), "the classifier reads nothing");

  auto g = Ready();
  int32_t kind = -1;
  const int32_t read = hvcnReadAddress(text.c_str(), g.get(), flags, &kind);
  Check(kind == classified, "the reader reads the kind the classifier tells");
  if (status != hvcnSUCCESS) {
    Check(read == status, "no kind: the classifier's status");
    return;
  }
  auto h = Ready();
  int32_t expected = 0;
  switch (kind) {
    case hvcnKIND_TYPED: {
      uint32_t context = 0;
      expected = hvcnParseName(text.c_str(), h.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE);
      break;
    }
    case hvcnKIND_RFC822: {
      const std::string gateway = DomainOf(std::string(text.view()));
      expected = hvcnRFC822ToORAddress(text.c_str(), h.get(), gateway.c_str(), nullptr, 0);
      break;
    }
    case hvcnKIND_MAILBOX: {
      std::vector<char> out(2 * text.size() + 1);
      Check(hvcnParseInternetName(text.c_str(), out.data()) == 1, "a mailbox is one");
      Check(read == hvcnERR_NOT_AN_ADDRESS && !(g->flags & hvcnFMT_NAME_HELD), "a mailbox is not read");
      return;
    }
    default:
      expected = hvcnParseORAddress(text.c_str(), h.get(), hvcnOR_FROM_AUTO);
      if (kind == hvcnKIND_DIRECTORY_NAME) Check(expected == hvcnERR_BAD_X400, "a directory name is refused");
  }
  Check(read == expected, "the reader and the export of its kind", std::to_string(read) + " vs " + std::to_string(expected));
  Check(NonEmptyValues(*g) == NonEmptyValues(*h), "the same values held", Describe(NonEmptyValues(*g)));
  Check(std::string(g->errorDetail) == h->errorDetail, "the same detail", g->errorDetail);
  Check(((g->flags & hvcnFMT_NAME_HELD) != 0) == (read == hvcnSUCCESS), "a name is held exactly after success");
}
