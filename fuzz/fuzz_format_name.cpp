// Writing names: hvcnFormatName over decoded and typed names, any output
// format and any size.
//
// Input: the name's source (1 byte: internal type in the low 2 bits, 0 a
// typed name; 0x04 an escape list follows), call flags (1 byte, passed on),
// the input format string and the settings (fuzz_support.h), the buffer
// size (2 bytes), the output format string (NUL-ended; empty keeps the
// input's), [the escape list,] then the name.
// Properties: statuses 0, 1 or 3; the text is terminated within its size; a
// buffer larger than the whole text receives the whole text (with status 0
// when it is 3 bytes larger, or for the typed text as it was typed), a
// smaller one status 1 and the start of it; a 1-byte buffer gets "" for a
// decoded name; formatting leaves the held name, its values and the tokens
// as they were, and gives the same text when repeated; hvcnFormatNameEx
// tells the smallest size that works (at most the text, its NUL and 2 bytes
// more) and leaves "" in a buffer one byte smaller.
#include "format_checks.h"
#include "held_name.h"

using namespace hvcn::fuzz;

namespace {

struct HeldParts {
  explicit HeldParts(const hvcnFormat& f) : nameType(f.nameType) {
    std::memcpy(buffer, f.nameBuffer, sizeof buffer);
    std::memcpy(records, f.attributes, sizeof records);
    std::memcpy(tokens, f.tokens, sizeof tokens);
  }
  bool Same(const hvcnFormat& f) const {
    return nameType == f.nameType && std::memcmp(buffer, f.nameBuffer, sizeof buffer) == 0 &&
           std::memcmp(records, f.attributes, sizeof records) == 0 && std::memcmp(tokens, f.tokens, sizeof tokens) == 0;
  }
  int32_t nameType;
  char buffer[sizeof(hvcnFormat::nameBuffer)];
  hvcnAttribute records[hvcnATTRIBUTE_COUNT];
  hvcnToken tokens[hvcnTOKEN_COUNT];
};

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t source = in.Byte();
  const uint16_t flags = in.Byte();
  const std::string_view inputFormat = in.FormatString();
  const uint8_t settings = in.Byte();
  const uint32_t n = 1u + in.U16() % 1100u;
  const ExactText outputFormat(in.Text());
  const ExactText escapes((source & 0x04) ? in.Text() : std::string_view());
  const ExactText name(in.Rest());

  auto f = Ready(inputFormat, settings);
  if (!f) return;
  if (source & 0x04) {
    ExactText list(escapes.view());
    hvcnSetFormatInfo(f.get(), list.data(), hvcnINFO_ESCAPE_LIST);
  }

  const int32_t type = source & 3;
  bool typed = false;
  if (type != 0) {
    if (hvcnTranslateInternalFormat(f.get(), type, name.c_str(), 0, nullptr, 0, 0) != hvcnSUCCESS) return;
  } else {
    uint32_t context = 0;
    if (hvcnParseName(name.c_str(), f.get(), 0, nullptr, 0, &context, hvcnPARSE_COMPLETE) != hvcnSUCCESS) return;
    typed = true;
  }
  if (outputFormat.size() > 0 && hvcnChangeOutputFormat(outputFormat.c_str(), f.get()) != hvcnSUCCESS) return;

  const HeldParts before(*f);
  OutBuffer whole(4096);
  const int32_t full = hvcnFormatName(f.get(), whole.data(), static_cast<uint32_t>(whole.size()), flags);
  CheckStatus(full, {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL}, "hvcnFormatName");
  Check(whole.Terminated(), "the formatted name is terminated within its size");
  Check(before.Same(*f), "formatting leaves the held name and the tokens as they were");
  if (full != hvcnSUCCESS) return;
  const std::string text(whole.Text());

  OutBuffer repeat(4096);
  Check(hvcnFormatName(f.get(), repeat.data(), static_cast<uint32_t>(repeat.size()), flags) == hvcnSUCCESS,
        "formatting again");
  Check(repeat.Text() == text, "formatting again gives the same text", repeat.Text());

  // hvcnFormatNameEx tells the smallest size that works.
  uint32_t needed = 0;
  Check(hvcnFormatNameEx(f.get(), nullptr, 0, &needed, flags) == hvcnERR_BUFFER_TOO_SMALL &&
            needed > text.size() && needed <= text.size() + 3,
        "a size query tells the text's size, up to 2 bytes more", std::to_string(needed));
  OutBuffer told(needed);
  Check(hvcnFormatName(f.get(), told.data(), needed, flags) == hvcnSUCCESS && told.Text() == text,
        "the size told works");
  OutBuffer less(needed - 1);
  Check(needed == 1 || hvcnFormatNameEx(f.get(), less.data(), needed - 1, nullptr, flags) == hvcnERR_BUFFER_TOO_SMALL,
        "one byte less does not, and leaves \"\"");
  Check(needed == 1 || less.Text().empty(), "a text that does not fit leaves \"\"");

  OutBuffer sized(n);
  const int32_t status = hvcnFormatName(f.get(), sized.data(), n, flags);
  CheckStatus(status, {hvcnSUCCESS, hvcnERR_BUFFER_TOO_SMALL}, "hvcnFormatName (sized)");
  Check(before.Same(*f), "formatting leaves the held name and the tokens as they were");
  const bool shortcut = typed && !(flags & (hvcnFN_REFORMAT | hvcnFN_ESCAPE));
  // Building the text, a separator or blank is written only with 2 bytes
  // left, before it is known whether more text follows: the X.400 part puts
  // the slash after its last item before it drops it, a blank follows a
  // token that another one follows, and a token that then writes nothing
  // first tries its leading separator. After the last text the formatter
  // thus needs up to 2 bytes more than the NUL (Smith alone needs 8 bytes
  // under the default format, no name at all 2). In such a buffer the
  // whole text is there but the status may be 1; 3 bytes more always do.
  if (n > text.size()) {
    if (shortcut || n >= text.size() + 3) Check(status == hvcnSUCCESS, "a buffer larger than the text holds it");
    Check(sized.Terminated() && sized.Text() == text, "the whole text", sized.view());
    return;
  }
  Check(status == hvcnERR_BUFFER_TOO_SMALL, "a buffer not larger than the text is too small");
  if (shortcut) {
    Check(sized.Untouched(), "a typed text that does not fit is not written");
    return;
  }
  Check(sized.Terminated(), "a cut text is terminated within its size");
  Check(text.compare(0, sized.Text().size(), sized.Text()) == 0, "a cut text is the start of the text", sized.Text());
  if (n == 1) Check(sized.Text().empty(), "a 1-byte buffer receives \"\"");
}
