// One reader for whatever a user pastes into a recipient field: it tells
// which kind of address a text is (reader/kinds.cpp), then reads it with
// the reader of that kind into the held name (reader/read.cpp).
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"

namespace hvcn::reader {

// Detail texts of the reader.
namespace detail {
inline constexpr uint16_t kEmpty = 2041;
inline constexpr uint16_t kControlCharacter = 2017;  // the standard forms' text
inline constexpr uint16_t kTooLong = 2042;
inline constexpr uint16_t kNotPersonalName = 2043;
inline constexpr uint16_t kMailbox = 2044;
}  // namespace detail

// A kind of address: how it is recognised and what reads it. The rows of
// reader/kinds.cpp hold one a kind; a kind whose reader comes with another
// part of the library has a row without a recogniser until then.
// How a kind is told (a test of reader/kinds.cpp), or None for a kind
// whose reader is still to come.
enum class Test : uint8_t { None, Imcea, GatewayAddress, Mailbox, DirectoryName, Exchange, StdOr, AnnexF };

struct KindRow {
  int32_t kind;           // hvcnKIND_...
  std::string_view name;  // its name for people and programs ("stdor")
  Test test;
};

// The rows, in the order they are tried; the first that recognises a text
// gives its kind. A typed name is what no row recognises.
const KindRow* Kinds(size_t* count) noexcept;

// The name of a kind ("typed", "mailbox" ...), or "" for none.
std::string_view KindName(int32_t kind) noexcept;

// The kind of a text (hvcnClassifyAddress after its checks): 0 with *kind,
// or a status with *kind hvcnKIND_NONE and the reason in errorDetail.
int32_t Classify(hvcnFormat* format, const char* text, uint32_t flags, int32_t* kind) noexcept;

// hvcnReadAddress after its checks: the text classified, then read by the
// reader of its kind.
int32_t Read(hvcnFormat* format, const char* text, uint32_t flags, int32_t* kind) noexcept;

}  // namespace hvcn::reader
