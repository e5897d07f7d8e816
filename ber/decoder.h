// The reader of the binary O/R address (decoder.cpp) and of the
// certificates that carry it (certificate.cpp): one walk over the caller's
// bytes that stores the values into the held name as it goes, and records
// the first refusal with its detail.
#pragma once

#include <cstdint>
#include <string_view>

#include "api/hvcn.h"
#include "ber/components.h"
#include "ber/der.h"
#include "core/frame.h"
#include "core/trace.h"

namespace hvcn::ber {

inline constexpr size_t kMostOctets = 4 * sizeof(hvcnFormat::nameBuffer);  // of one string given in pieces

class Decoder {
 public:
  Decoder(hvcnFormat* format, uint32_t flags) noexcept
      : f_(format), der_((flags & hvcnBER_DER_ONLY) != 0), latin1_((flags & hvcnBER_TELETEX_LATIN1) != 0) {}

  // The ORAddress, ORName or x400Address at the front of input.
  int32_t Run(Span input, uint32_t* used) noexcept;
  // The index-th x400Address of a certificate's alternative names.
  int32_t Certificate(Span certificate, uint32_t index, uint32_t* extension) noexcept;

 private:
  // Reading elements.
  bool Next(Span& in, Element* e, const char* component) noexcept {
    const uint32_t offset = in.offset();
    const ber::Fault fault = ReadElement(in, der_, e);
    return fault == ber::Fault::None || Refuse(fault, component, offset);
  }
  bool Tagged(const Element& e, uint8_t expected, const char* component) noexcept {
    return e.tag == expected || Mismatch(e, expected, component);
  }
  bool Refuse(ber::Fault fault, const char* component, uint32_t offset) noexcept;
  bool Mismatch(const Element& e, uint8_t expected, const char* component) noexcept;
  bool Only(const Element& outer, Element* inner, const char* component) noexcept;
  bool End(const Span& in, const char* component) noexcept;
  bool InSetOrder(int* last, int number, const Element& e, const char* component) noexcept;
  bool Octets(const Element& e, const char* component, std::string_view* octets, uint32_t* at) noexcept;
  bool Integer(const Element& e, const char* component, uint32_t most, uint32_t* value,
               int32_t beyond = hvcnERR_BAD_X400) noexcept;

  // The address and its shapes of value.
  bool Address(Span in, bool orName) noexcept;
  bool Standard(const Element& e) noexcept;
  bool Extensions(const Element& e) noexcept;
  bool Value(const Component& c, const Element& e) noexcept;
  bool Single(const Component& c, const Element& e) noexcept;
  bool PersonalName(const Component& c, const Element& e) noexcept;
  bool Units(const Component& c, const Element& e) noexcept;
  bool Domain(const Component& c, const Element& e) noexcept;
  bool PostalPair(const Component& c, const Element& e) noexcept;
  bool Lines(const Component& c, const Element& e) noexcept;
  bool NetworkAddress(const Component& c, const Element& e) noexcept;
  bool TerminalType(const Component& c, const Element& e) noexcept;

  // Values into the held name.
  bool String(const Element& e, uint8_t expected, ber::Text text, int slot, const char* component,
              bool rfc822 = false) noexcept;
  // *printable (optional) tells whether the value was a PrintableString or
  // a NumericString (whose characters are PrintableString ones).
  bool Append(const Element& e, uint8_t expected, ber::Text text, const char* component,
              bool* printable = nullptr) noexcept;
  bool Store(int slot, uint32_t start, const char* component, uint32_t offset, bool rfc822 = false,
             bool printable = false) noexcept;

  template <typename... A>
  bool Fail(int32_t status, uint16_t id, const A&... args) noexcept {
    RecordDetailWith(f_, id, args...);
    trace::If(trace::kError, trace::tag::kError, "BER: %s", f_->errorDetail);
    status_ = status;
    return false;
  }
  template <typename... A>
  int32_t Refused(int32_t status, uint16_t id, const A&... args) noexcept {
    Fail(status, id, args...);
    return status;
  }

  hvcnFormat* f_;
  bool der_, latin1_;
  int32_t status_ = hvcnSUCCESS;
  uint32_t length_ = 0;  // bytes of nameBuffer taken
  int values_ = 0;
  char pieces_[kMostOctets];  // a string given in pieces, put together
};

}  // namespace hvcn::ber
