// Reading a pasted text by its kind, with the reader each kind has: the
// typed form under the format, the standard forms and Exchange's spellings
// by the O/R address reader, an RFC 822 gateway address by the RFC 2156
// mapping with its own domain as the gateway. An internet mailbox stays a
// mailbox: nothing is read (19, the kind says so).
#include <cstring>

#include "core/frame.h"
#include "orname/forms.h"
#include "orname/text.h"
#include "parse/parse.h"
#include "reader/reader.h"

namespace hvcn::reader {
namespace {

constexpr size_t kMaxText = sizeof(hvcnFormat::nameBuffer) - 1;

// The domain of local-part@domain (of "phrase <local-part@domain>") into
// out; the kind rfc822 holds one.
void DomainOf(std::string_view text, char* out) noexcept {
  text = orname::Trim(text);
  if (!text.empty() && text.back() == '>' && text.rfind('<') != std::string_view::npos)
    text = text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
  const std::string_view domain = orname::Trim(text.substr(text.rfind('@') + 1));
  std::memcpy(out, domain.data(), domain.size());
  out[domain.size()] = '\0';
}

}  // namespace

int32_t Read(hvcnFormat* format, const char* text, uint32_t flags, int32_t* kind) noexcept {
  if (int32_t status = Classify(format, text, flags, kind)) return status;
  switch (*kind) {
    case hvcnKIND_TYPED: {
      uint32_t context = 0;
      bool wrote = false;
      return parse::ParseName(text, format, 0, nullptr, 0, &context, hvcnPARSE_COMPLETE, &wrote);
    }
    case hvcnKIND_MAILBOX:
      RecordDetail(format, detail::kMailbox);
      return hvcnERR_NOT_AN_ADDRESS;
    case hvcnKIND_RFC822: {
      char gateway[kMaxText + 1];
      DomainOf(text, gateway);
      return orname::MapFromRfc822(format, text, gateway, nullptr, 0);
    }
    default:
      // The standard forms, Exchange's spellings, IMCEA, and a directory
      // name, which the O/R address reader refuses as one.
      return orname::ReadORAddress(format, text, hvcnOR_FROM_AUTO);
  }
}

}  // namespace hvcn::reader
