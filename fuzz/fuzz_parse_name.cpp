// Typed names: hvcnParseName, every reading of a name, and its internal
// output.
//
// Input: internal type (1 byte: 0-3, or with 0x04 an invalid type), call
// flags (1 byte: 0x01 complete, 0x02 prefer teletex, 0x04 a NULL context
// pointer, 0x08 a second call that reinterprets), the format string and
// the settings (fuzz_support.h), the internal output's size (2 bytes), then
// the name.
// Properties: documented statuses; a name of more than 1024 bytes is refused
// and leaves the held name alone; after success the name is held, nameType
// is -1, every value lies in nameBuffer and the context word has no bits
// outside 0x337FF0; the internal output is terminated within its size, is
// what hvcnTranslateInternalFormat writes for the held name, decodes under
// the settings of the parse and, with prefer-teletex clear, decodes and
// encodes again to the same text (type 2: but for separators no value
// follows), and is written again unchanged by a
// reinterpretation with context 0; further readings follow the same rules
// and equal those of a copy of the format that is set up in full; a refusal's
// explanation (hvcnExplainStatus) is a terminated text of the size it tells,
// with a column inside the name, and leaves the failed format as it was.
#include <algorithm>
#include <vector>

#include "format_checks.h"
#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

constexpr size_t kNameBufferText = sizeof(hvcnFormat::nameBuffer) - 1;
constexpr uint32_t kContextMask = hvcnPARSE_CONTEXT_MASK;

const std::initializer_list<int32_t> kParseNameStatuses = {
    hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL, hvcnERR_BAD_FORMAT_STRING, hvcnERR_BAD_PARAMETER, hvcnERR_NO_FORMAT,
    hvcnERR_TOKEN_NAME_TOO_LONG, hvcnERR_TOO_MANY_USER_ATTRIBUTES, hvcnERR_BAD_TOKEN_NAME, hvcnERR_TOO_MANY_TOKENS,
    hvcnERR_FORMAT_NOT_READY, hvcnERR_BAD_VALUE, hvcnERR_VALUE_TOO_LONG, hvcnERR_NOT_NUMERIC,
    hvcnERR_UNKNOWN_ATTRIBUTE, hvcnERR_NAME_TOO_LONG, hvcnERR_NAME_DOES_NOT_FIT, hvcnERR_NO_MORE_INTERPRETATIONS,
    hvcnERR_BAD_COUNTRY, hvcnERR_TOO_MANY_OUS, hvcnERR_UNKNOWN_TAG, hvcnERR_DUPLICATE_ATTRIBUTE,
    hvcnERR_TOO_MANY_DDAS, hvcnERR_BAD_X400, hvcnERR_BAD_EFA};

// A name of printable bytes and well-formed UTF-8.
bool PlainText(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20) return false;
  return ValidUtf8(Values{{0, std::string(text)}});
}

// A type 2 text without the group separators that no value follows: GS
// directly before an ETB, and every separator at the end.
std::string WithoutDanglingSeparators(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\x17')
      while (!out.empty() && out.back() == '\x1D') out.pop_back();
    out += c;
  }
  while (!out.empty() && (out.back() == '\x1D' || out.back() == '\x17')) out.pop_back();
  return out;
}

struct Call {
  int32_t type;
  uint32_t flags;
  bool nullContext;
};

// One reading: checks the call's promises; returns its status.
int32_t Parse(hvcnFormat* f, const ExactText& name, const Call& call, uint32_t size, uint32_t* context,
              std::string* output) {
  OutBuffer out(size);
  const int32_t status = hvcnParseName(name.c_str(), f, call.type, call.type ? out.data() : nullptr,
                                       call.type ? size : 0, call.nullContext ? nullptr : context, call.flags);
  CheckStatus(status, kParseNameStatuses, "hvcnParseName");
  CheckTerminated(*f);
  output->clear();
  if (status != hvcnSUCCESS && status != hvcnERR_BUFFER_TOO_SMALL) return status;
  Check((f->flags & hvcnFMT_NAME_HELD) != 0 && f->nameType == -1, "a parsed name is held with nameType -1");
  NonEmptyValues(*f);  // every value lies inside nameBuffer
  if (!call.nullContext) Check((*context & ~kContextMask) == 0, "the context word keeps to 0x337FF0");
  if (call.type == 0) return status;
  Check(out.Terminated(), "the internal output is terminated within its size");
  if (status == hvcnERR_BUFFER_TOO_SMALL) {
    Check(out.Text().empty(), "an internal output that does not fit is \"\"");
    return status;
  }
  OutBuffer again(16384);
  Check(hvcnTranslateInternalFormat(f, 0, nullptr, call.type, again.data(), static_cast<uint32_t>(again.size()),
                                    0) == hvcnSUCCESS,
        "the held name translates");
  Check(again.Text() == out.Text(), "the internal output is the held name in that type", out.Text());
  *output = std::string(out.Text());
  return status;
}

// The explanation of a refusal: one, or nothing to add; a terminated text
// whose size is told; a column inside the name; the failed format only read.
void CheckExplanation(const hvcnFormat* f, int32_t status, uint32_t flags, const ExactText& name) {
  const auto before = std::make_unique<hvcnFormat>(*f);
  OutBuffer out(2048);
  uint32_t needed = 0, column = 0;
  const int32_t result = hvcnExplainStatus(f, status, hvcnEXPLAIN_NAME, flags, name.c_str(), out.data(), 2048,
                                           &needed, &column);
  Check(result == hvcnSUCCESS || result == hvcnERR_NO_VALUE, "an explanation, or nothing to add");
  Check(out.Terminated(), "the explanation is terminated within its size");
  if (result == hvcnSUCCESS)
    Check(needed == out.Text().size() + 1 && !out.Text().empty() && column <= name.size() + 1,
          "an explanation tells its size and a column inside the name", out.Text());
  else
    Check(needed == 0 && column == 0 && out.Text().empty(), "nothing to add is an empty text");
  Check(std::memcmp(before.get(), f, sizeof *f) == 0, "the failed format is only read");
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t typeByte = in.Byte();
  const uint8_t callByte = in.Byte();
  const ExactText formatString(in.FormatString());
  const uint8_t settings = in.Byte();
  const uint32_t outSize = 1u + in.U16() % 2048u;
  const ExactText name(in.Rest());

  static constexpr int32_t kBadTypes[] = {4, -1, 0x7FFFFFFF, -2147483647 - 1};
  const Call call{(typeByte & 0x04) ? kBadTypes[typeByte & 3] : (typeByte & 3),
                  ((callByte & 0x01) ? hvcnPARSE_COMPLETE : 0u) | ((callByte & 0x02) ? hvcnPARSE_PREFER_TELETEX : 0u),
                  (callByte & 0x04) != 0};

  auto f = Ready(formatString.view(), settings);
  if (!f) return;

  if (call.type < 0 || call.type > 3) {
    uint32_t context = 0;
    OutBuffer out(outSize);
    Check(hvcnParseName(name.c_str(), f.get(), call.type, out.data(), outSize, &context, call.flags) ==
              hvcnERR_BAD_PARAMETER,
          "an unknown internal type is refused");
    return;
  }
  if (name.size() > kNameBufferText) {
    const auto before = std::make_unique<hvcnFormat>(*f);
    uint32_t context = 0;
    Check(hvcnParseName(name.c_str(), f.get(), 0, nullptr, 0, &context, call.flags) == hvcnERR_NAME_TOO_LONG,
          "a name of more than 1024 bytes is refused");
    Check(std::memcmp(before->nameBuffer, f->nameBuffer, sizeof f->nameBuffer) == 0 &&
              std::memcmp(before->attributes, f->attributes, sizeof f->attributes) == 0,
          "a refused name leaves the held name alone");
    return;
  }

  uint32_t context = 0;
  std::string output;
  int32_t status = Parse(f.get(), name, call, outSize, &context, &output);
  if (status != hvcnSUCCESS) {
    if (status != hvcnERR_BUFFER_TOO_SMALL) CheckExplanation(f.get(), status, call.flags, name);
    return;
  }
  const uint16_t parsedFlags = f->flags;

  // Written again by a reinterpretation with context 0.
  if ((callByte & 0x08) && call.type != 0) {
    uint32_t none = 0;
    std::string second;
    const Call again{call.type, call.flags | hvcnPARSE_REINTERPRET, false};
    Check(Parse(f.get(), name, again, outSize, &none, &second) == hvcnSUCCESS, "reinterpretation with context 0");
    Check(second == output, "a reinterpretation with context 0 writes the same output", second);
  }

  // The internal output decodes under the settings of the parse, and
  // decodes and encodes to the same text. A fresh parse readies the format
  // again, so the settings made before it are back at their defaults; the
  // format's flags after the parse tell which ones it ran with.
  // Decoding stores every value through the attribute setter, and with
  // prefer-teletex set the setter files each value of an attribute that has
  // a teletex twin under the twin, empty ones included, while a reading sets
  // the parts it leaves out present-but-empty in the base slots themselves
  // (Smith with prefer-teletex holds s-tx, g, i and q). Such a name does not
  // come back to the slots it was written from, so the text is compared
  // after a decode with prefer-teletex clear, which files every item where
  // the encoder took it from. The type 1 decoder stores every field up to
  // the last, empty ones included, and ADMD (field 11) has no twin: with
  // prefer-teletex a text that reaches field 11 is refused there.
  if (call.type != 0 && !output.empty() && output.size() <= kNameBufferText && PlainText(name.view())) {
    const ExactText text(output);
    const uint32_t parsedSevenBit = (parsedFlags & hvcnFMT_7BIT_ONLY) != 0;
    const uint32_t prefer = (parsedFlags & hvcnFMT_PREFER_TELETEX) != 0;
    for (const uint32_t preferOnDecode : {prefer, 0u}) {
      auto g = NewFormat();
      Check(hvcnParseFormatString(formatString.c_str(), g.get()) == hvcnSUCCESS, "format string parses again");
      hvcnSetFormatInfo(g.get(), &parsedSevenBit, hvcnINFO_7BIT_ONLY);
      hvcnSetFormatInfo(g.get(), &preferOnDecode, hvcnINFO_PREFER_TELETEX);
      const bool reachesAdmd = call.type == hvcnINTERNAL_GS && std::count(output.begin(), output.end(), '\x1D') >= 10;
      const int32_t expected = preferOnDecode && reachesAdmd ? hvcnERR_BAD_VALUE : hvcnSUCCESS;
      Check(hvcnTranslateInternalFormat(g.get(), call.type, text.c_str(), 0, nullptr, 0, 0) == expected,
            "the internal output decodes", output);
      if (preferOnDecode) continue;
      OutBuffer back(16384);
      Check(hvcnTranslateInternalFormat(g.get(), 0, nullptr, call.type, back.data(), 16384, hvcnTIF_ALWAYS_ENCODE) ==
                hvcnSUCCESS,
            "the decoded output encodes");
      // Type 2 writes the separators owed before a held value even when the
      // value writes as nothing (initials of dots only, a lone escape);
      // read back, that field is empty and the separators go where no
      // later value of the group follows.
      if (call.type == hvcnINTERNAL_GSETB)
        Check(WithoutDanglingSeparators(back.Text()) == WithoutDanglingSeparators(output),
              "the internal output decodes and encodes to the same text but for separators no value follows",
              back.Text());
      else
        Check(back.Text() == output, "the internal output decodes and encodes to the same text", back.Text());
    }
  }

  // The typed text comes back unchanged from the formatter's shortcut.
  {
    const std::string typed(f->nameBuffer);
    OutBuffer exact(typed.size() + 1);
    Check(hvcnFormatName(f.get(), exact.data(), static_cast<uint32_t>(exact.size()), 0) == hvcnSUCCESS,
          "a typed name formats");
    Check(exact.Terminated() && exact.Text() == typed, "the typed text comes back unchanged", exact.view());
    if (!typed.empty()) {
      OutBuffer small(typed.size());
      Check(hvcnFormatName(f.get(), small.data(), static_cast<uint32_t>(small.size()), 0) == hvcnERR_BUFFER_TOO_SMALL,
            "a typed text that does not fit");
      Check(small.Untouched(), "a typed text that does not fit is not written");
    }
  }

  // Further readings, each a fresh parse with the returned context word.
  // A byte copy of the format, whose token names point into the original,
  // is set up in full by the same call: both come out the same.
  for (int reading = 0; reading < 64 && context != 0 && !call.nullContext; ++reading) {
    const auto full = std::make_unique<hvcnFormat>(*f);
    uint32_t fullContext = context;
    std::string fullOutput;
    const int32_t fullStatus = Parse(full.get(), name, call, outSize, &fullContext, &fullOutput);
    status = Parse(f.get(), name, call, outSize, &context, &output);
    Check(status == fullStatus && context == fullContext && output == fullOutput && SameFormat(*f, *full),
          "a fresh parse of an unchanged format is the same as one set up in full");
    if (status != hvcnSUCCESS) break;
  }
}
