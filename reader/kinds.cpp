// The kinds of address a recipient field meets, and how each is told.
//
//   imcea      IMCEAX400-c=US+3Ba=+20+3Bs=user@host.example (Exchange's encapsulation)
//   rfc822     "/G=John/S=Smith/C=US/"@gw.example (an O/R address through a gateway)
//   mailbox    Ann Lee <ann@example.com> (an internet mailbox: hvcnParseInternetName)
//   directory-name  /O=Contoso/OU=.../CN=Recipients/CN=jsmith (an X.500 name, no O/R address)
//   exchange   [X400:c=US;a= ;s=user], X400:c=US;... (Exchange one-offs and proxies)
//   stdor      /G=John/S=Smith/C=US/ (RFC 2156)
//   annexf     G=John;S=Smith;C=US (F.401 Annex F, RFC 1685)
//   der, aftn  a BER/DER encoding in hexadecimal, an AFTN address: their
//              readers come with other parts of the library
//   typed      anything else: the library's typed form, read under the format
//
// The rows are tried in that order; the first that recognises a text wins.
#include <cstring>

#include "core/ascii.h"
#include "core/frame.h"
#include "internet/internet_name.h"
#include "orname/forms.h"
#include "orname/labels.h"
#include "orname/text.h"
#include "reader/reader.h"

namespace hvcn::reader {
namespace {

constexpr size_t kMaxText = sizeof(hvcnFormat::nameBuffer) - 1;

using orname::Trim;

// The address of "phrase <address>", or the text.
std::string_view AddressPart(std::string_view text) noexcept {
  text = Trim(text);
  if (!text.empty() && text.back() == '>') {
    const size_t open = text.rfind('<');
    if (open != std::string_view::npos) return Trim(text.substr(open + 1, text.size() - open - 2));
  }
  return text;
}

// local-part@domain whose local part (quoted or not) is an O/R address in
// the "/" form, and whose domain the mapping takes as a gateway.
bool IsGatewayAddress(std::string_view text) noexcept {
  const std::string_view address = AddressPart(text);
  const size_t at = address.rfind('@');
  if (at == std::string_view::npos || at == 0) return false;
  std::string_view local = address.substr(0, at);
  if (local.size() >= 2 && local.front() == '"' && local.back() == '"') local = local.substr(1, local.size() - 2);
  return !local.empty() && local.front() == '/' && orname::IsDomain(Trim(address.substr(at + 1)));
}

bool IsImceaAddress(std::string_view text) noexcept {
  return orname::IsImcea(text) && text.find('@') != std::string_view::npos;
}

bool IsMailbox(std::string_view text) noexcept {
  char name[kMaxText + 1], output[2 * kMaxText + 1];
  std::memcpy(name, text.data(), text.size());
  name[text.size()] = '\0';
  return ParseInternetName(name, output) == 1;
}

bool IsExchange(std::string_view text) noexcept {
  text = Trim(text);
  return (!text.empty() && text.front() == '[') ||
         (text.size() >= 5 && ascii::EqualNoCase(text.substr(0, 5), "X400:"));
}

// The first item of a text in a standard form: a known label and '='.
bool StartsWithLabel(std::string_view text) noexcept {
  size_t end = 0;
  while (end < text.size() && text[end] != '=' && text[end] != ';' && text[end] != '/') ++end;
  if (end >= text.size() || text[end] != '=') return false;
  std::string_view rest;
  return orname::FindLabel(Trim(text.substr(0, end)), &rest) != nullptr;
}

bool IsStdOr(std::string_view text) noexcept {
  const std::string_view inner = orname::Unwrapped(text);
  return !inner.empty() && inner.front() == '/' && StartsWithLabel(inner.substr(1));
}

bool IsAnnexF(std::string_view text) noexcept {
  const std::string_view inner = orname::Unwrapped(text);
  return !inner.empty() && inner.front() != '/' && StartsWithLabel(inner);
}

// clang-format off
constexpr KindRow kKinds[] = {
  {hvcnKIND_IMCEA,           "imcea",          Test::Imcea},
  {hvcnKIND_RFC822,          "rfc822",         Test::GatewayAddress},
  {hvcnKIND_MAILBOX,         "mailbox",        Test::Mailbox},
  {hvcnKIND_DIRECTORY_NAME,  "directory-name", Test::DirectoryName},
  {hvcnKIND_EXCHANGE,        "exchange",       Test::Exchange},
  {hvcnKIND_STDOR,           "stdor",          Test::StdOr},
  {hvcnKIND_ANNEXF,          "annexf",         Test::AnnexF},
  {hvcnKIND_DER_HEX,         "der-hex",        Test::None},  // the BER/DER reader's
  {hvcnKIND_AFTN,            "aftn",           Test::None},  // the AMHS reader's
};
// clang-format on

// The kind of what no row recognises.
constexpr KindRow kTyped = {hvcnKIND_TYPED, "typed", Test::None};

bool Passes(Test test, std::string_view text) noexcept {
  switch (test) {
    case Test::Imcea: return IsImceaAddress(text);
    case Test::GatewayAddress: return IsGatewayAddress(text);
    case Test::Mailbox: return IsMailbox(text);
    case Test::DirectoryName: return orname::IsDirectoryName(text);
    case Test::Exchange: return IsExchange(text);
    case Test::StdOr: return IsStdOr(text);
    case Test::AnnexF: return IsAnnexF(text);
    case Test::None: break;
  }
  return false;
}

// A typed name's personal-name part (before its first '/', outside
// parentheses) holding a character or shape no personal name has: '@',
// '<', '>', or a label and '='. Its place, or npos.
size_t NotPersonal(std::string_view text, std::string_view* what) noexcept {
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '(') ++depth;
    else if (c == ')' && depth > 0) --depth;
    if (depth > 0) continue;
    if (c == '/') break;
    if (c == '@' || c == '<' || c == '>') {
      *what = text.substr(i, 1);
      return i;
    }
    if (c == '=') {
      size_t start = i;
      auto labelCharacter = [](char l) noexcept {
        return (l >= 'a' && l <= 'z') || (l >= 'A' && l <= 'Z') || ascii::IsDigit(l) || l == '-' || l == '.' || l == ':';
      };
      while (start > 0 && labelCharacter(text[start - 1])) --start;
      *what = text.substr(start, i + 1 - start);
      return start;
    }
  }
  return std::string_view::npos;
}

int32_t None(hvcnFormat* format, int32_t* kind, int32_t status, uint16_t detailId) noexcept {
  *kind = hvcnKIND_NONE;
  RecordDetail(format, detailId);
  return status;
}

}  // namespace

const KindRow* Kinds(size_t* count) noexcept {
  *count = std::size(kKinds);
  return kKinds;
}

std::string_view KindName(int32_t kind) noexcept {
  if (kind == kTyped.kind) return kTyped.name;
  for (const KindRow& row : kKinds)
    if (row.kind == kind) return row.name;
  return {};
}

int32_t Classify(hvcnFormat* format, const char* text, uint32_t flags, int32_t* kind) noexcept {
  const size_t length = strnlen(text, kMaxText + 1);
  if (length > kMaxText) return None(format, kind, hvcnERR_NAME_TOO_LONG, detail::kTooLong);
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      *kind = hvcnKIND_NONE;
      RecordDetailWith(format, detail::kControlCharacter, orname::ColumnOf(text, text + i));
      return hvcnERR_NOT_AN_ADDRESS;
    }
  }
  const std::string_view whole(text, length);
  if (Trim(whole).empty()) return None(format, kind, hvcnERR_NOT_AN_ADDRESS, detail::kEmpty);
  for (const KindRow& row : kKinds)
    if (Passes(row.test, whole)) {
      *kind = row.kind;
      return hvcnSUCCESS;
    }
  if (flags & hvcnREAD_STRICT) {
    std::string_view what;
    const size_t at = NotPersonal(whole, &what);
    if (at != std::string_view::npos) {
      char shown[32];
      const size_t n = what.size() < sizeof shown - 1 ? what.size() : sizeof shown - 1;
      std::memcpy(shown, what.data(), n);
      shown[n] = '\0';
      *kind = hvcnKIND_NONE;
      RecordDetailWith(format, detail::kNotPersonalName, shown, orname::ColumnOf(text, text + at));
      return hvcnERR_NOT_AN_ADDRESS;
    }
  }
  *kind = kTyped.kind;
  return hvcnSUCCESS;
}

}  // namespace hvcn::reader
