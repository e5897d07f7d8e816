// Format strings: hvcnParseFormatString, hvcnChangeInputFormat and
// hvcnChangeOutputFormat.
//
// Input: operations (1 byte), settings made before the changes (1 byte),
// a separator character (1 byte), then up to three format strings separated
// by NUL: the input format, a new input format, an output format.
// Properties: every status is one the parser documents; the format keeps
// the string cut to 255 characters; a detail text is left exactly for syntax
// errors; the ready flag follows success; the tokens are well formed; a
// failed output format leaves the output IDs as they were and a successful
// one sets them to the IDs of its tokens; a format that is not ready is
// refused and left as it was.
#include "format_checks.h"

using namespace hvcn::fuzz;

namespace {

constexpr uint8_t kNullFirst = 0x01;   // hvcnParseFormatString(NULL, ...)
constexpr uint8_t kChangeInput = 0x02;
constexpr uint8_t kChangeOutput = 0x04;
constexpr uint8_t kNullChange = 0x08;  // the change calls get NULL strings
constexpr uint8_t kNotReady = 0x10;    // the change calls on a format never parsed

constexpr uint8_t kClearComplex = 0x01;
constexpr uint8_t kSetSlash = 0x02;
constexpr uint8_t kSetComma = 0x04;

const std::initializer_list<int32_t> kParseStatuses = {
    hvcnSUCCESS, hvcnERR_BAD_FORMAT_STRING, hvcnERR_NO_FORMAT, hvcnERR_TOKEN_NAME_TOO_LONG,
    hvcnERR_TOO_MANY_USER_ATTRIBUTES, hvcnERR_BAD_TOKEN_NAME, hvcnERR_TOO_MANY_TOKENS};

void CheckKeptString(const hvcnFormat& f, std::string_view given) {
  Check(FieldTerminated(f.formatString), "formatString terminated");
  Check(std::string_view(f.formatString) == given.substr(0, kFormatStringKept),
        "the format keeps its string cut to 255 characters", f.formatString);
}

void CheckDetail(const hvcnFormat& f, int32_t status) {
  Check(FieldTerminated(f.errorDetail), "errorDetail terminated");
  Check((f.errorDetail[0] != '\0') == (status == hvcnERR_BAD_FORMAT_STRING),
        "a detail text is left exactly for syntax errors", f.errorDetail);
}

}  // namespace

HVCN_FUZZ_TARGET(in) {
  const uint8_t ops = in.Byte();
  const uint8_t settings = in.Byte();
  const char separator = static_cast<char>(in.Byte());
  const ExactText first(in.Text());
  const ExactText second(in.Text());
  const ExactText third(in.Text());

  auto f = NewFormat();
  const int32_t status = hvcnParseFormatString((ops & kNullFirst) ? nullptr : first.c_str(), f.get());
  CheckStatus(status, kParseStatuses, "hvcnParseFormatString");
  // An empty string takes the configured default.
  if (!(ops & kNullFirst) && first.size() > 0) CheckKeptString(*f, first.view());
  CheckDetail(*f, status);
  Check(((f->flags & hvcnFMT_READY) != 0) == (status == hvcnSUCCESS), "ready exactly after success");
  CheckTokens(*f, f->tokens, f->formatString, status == hvcnSUCCESS);
  CheckTerminated(*f);

  hvcnFormat* target = f.get();
  auto fresh = NewFormat();
  if (ops & kNotReady) target = fresh.get();
  if (!(target->flags & hvcnFMT_READY)) {
    // Nothing is changed on a format that is not ready.
    const auto before = std::make_unique<hvcnFormat>(*target);
    Check(hvcnChangeInputFormat(second.c_str(), target) == hvcnERR_FORMAT_NOT_READY, "change input: not ready");
    Check(hvcnChangeOutputFormat(third.c_str(), target) == hvcnERR_FORMAT_NOT_READY, "change output: not ready");
    Check(std::memcmp(before.get(), target, sizeof *target) == 0, "a format that is not ready stays as it was");
    return;
  }

  if (settings & kClearComplex) {
    const uint32_t off = 0;
    Check(hvcnSetFormatInfo(target, &off, hvcnINFO_COMPLEX) == hvcnSUCCESS, "clear complex formats");
  }
  if (settings & kSetSlash) {
    const int32_t s = hvcnSetFormatInfo(target, &separator, hvcnINFO_SLASH_CHAR);
    const auto byte = static_cast<unsigned char>(separator);
    Check((s == hvcnSUCCESS) == (byte >= 0x20 && byte <= 0x7F), "slash characters from 0x20 to 0x7F");
  }
  if (settings & kSetComma) {
    const int32_t s = hvcnSetFormatInfo(target, &separator, hvcnINFO_COMMA_CHAR);
    const auto byte = static_cast<unsigned char>(separator);
    Check((s == hvcnSUCCESS) == (byte >= 0x20 && byte <= 0x7F), "comma characters from 0x20 to 0x7F");
  }

  if (ops & kChangeInput) {
    const bool null = (ops & kNullChange) != 0;
    const int32_t s = hvcnChangeInputFormat(null ? nullptr : second.c_str(), target);
    if (null) {
      Check(s == hvcnERR_BAD_PARAMETER, "change input: NULL string");
    } else {
      CheckStatus(s, kParseStatuses, "hvcnChangeInputFormat");
      Check(s != hvcnERR_NO_FORMAT, "change input never reads the default");
      CheckKeptString(*target, second.view());
      CheckTokens(*target, target->tokens, target->formatString, s == hvcnSUCCESS);
    }
    Check((target->flags & hvcnFMT_READY) != 0, "a format stays ready after a change of input format");
  }

  if (ops & kChangeOutput) {
    const bool null = (ops & kNullChange) != 0;
    int32_t before[hvcnTOKEN_COUNT];
    std::memcpy(before, target->outputTokenIds, sizeof before);
    const int32_t s = hvcnChangeOutputFormat(null ? nullptr : third.c_str(), target);
    if (null) {
      Check(s == hvcnERR_BAD_PARAMETER, "change output: NULL string");
    } else {
      CheckStatus(s, kParseStatuses, "hvcnChangeOutputFormat");
      Check(s != hvcnERR_NO_FORMAT, "change output never reads the default");
    }
    if (s != hvcnSUCCESS) {
      Check(std::memcmp(before, target->outputTokenIds, sizeof before) == 0, "a failed output format changes nothing");
    } else if (third.size() <= kFormatStringKept) {
      // The same string as an input format gives the same IDs.
      auto probe = NewFormat();
      std::memcpy(probe.get(), target, sizeof *target);
      Check(hvcnChangeInputFormat(third.c_str(), probe.get()) == hvcnSUCCESS, "output format parses as input format");
      for (int i = 0; i < hvcnTOKEN_COUNT; ++i)
        Check(target->outputTokenIds[i] == probe->tokens[i].id, "output IDs are the IDs of its tokens");
    }
    Check((target->flags & hvcnFMT_READY) != 0, "a format stays ready after a change of output format");
  }
  CheckTerminated(*target);
}
