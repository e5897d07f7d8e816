// The T.61 <-> UTF-8 codec (tests/data/t61.txt), and the whole table held
// against glibc's T.61-8BIT converter, which nobody here wrote.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/t61.h"
#include "core/utf8.h"
#include "support/golden.h"

#if defined(__GLIBC__)
#include <iconv.h>
#endif

namespace hvcn {
namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) hex += {kDigits[b >> 4], kDigits[b & 15]};
  return hex;
}

const char* OutcomeName(t61::Outcome outcome) {
  switch (outcome) {
    case t61::Outcome::Done: return "done";
    case t61::Outcome::NoMapping: return "nomapping";
    case t61::Outcome::NoRoom: return "noroom";
  }
  return "?";
}

// op input size -> outcome at written output (or: hasform -> yes|no). The
// output buffer has guard bytes behind its size.
std::vector<std::string> Convert(const test::GoldenCase& c) {
  const std::string& op = c[0];
  if (op == "hasform") return {t61::HasT61Form(c[1]) ? "yes" : "no"};
  const bool decode = op == "decode";
  if (!decode && op != "encode") throw std::invalid_argument("op");
  const std::string input = decode ? FromHex(c[1]) : c[1];
  const bool count = c[2] == "count";
  const size_t size = c[2] == "-" ? 256 : count ? 0 : static_cast<size_t>(test::Int(c[2]));
  std::string out(size + 8, '\x5A');
  const t61::Result r = decode ? t61::Decode(input, count ? nullptr : out.data(), size)
                               : t61::Encode(input, count ? nullptr : out.data(), size);
  EXPECT_EQ(out.substr(size), std::string(8, '\x5A')) << "written past the size";
  if (r.outcome == t61::Outcome::Done) {
    EXPECT_EQ(r.at, input.size());
  }
  const std::string written = count ? "" : out.substr(0, r.written);
  return {OutcomeName(r.outcome), r.outcome == t61::Outcome::NoMapping ? std::to_string(r.at) : "-",
          std::to_string(r.written), decode ? written : ToHex(written)};
}

TEST(T61, GoldenRows) { test::RunGolden("t61.txt", 4, 7, Convert); }

// What is encoded decodes to the same text, for every character that has
// a T.61 form.
TEST(T61, EveryFormReadsBack) {
  int forms = 0;
  for (char32_t c = 0x20; c < 0x3000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string text;
    char bytes[4];
    text.assign(bytes, utf8::Encode(c, bytes));
    char t61Text[2], back[4];
    const t61::Result encoded = t61::Encode(text, t61Text, sizeof t61Text);
    if (encoded.outcome != t61::Outcome::Done) continue;
    ++forms;
    const t61::Result decoded = t61::Decode({t61Text, encoded.written}, back, sizeof back);
    ASSERT_EQ(decoded.outcome, t61::Outcome::Done) << std::hex << static_cast<uint32_t>(c);
    EXPECT_EQ(std::string(back, decoded.written), text) << std::hex << static_cast<uint32_t>(c);
  }
  EXPECT_EQ(forms, 305);  // the graphic characters of glibc's T.61-8BIT charmap
}

#if defined(__GLIBC__)
// glibc's answer for one conversion, or "-" when it has none.
class Glibc {
 public:
  Glibc(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Glibc() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  std::string operator()(std::string in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* inp = in.data();
    char* outp = out;
    size_t inLeft = in.size(), outLeft = sizeof out;
    if (iconv(cd_, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return "-";
    return std::string(out, sizeof out - outLeft);
  }

 private:
  iconv_t cd_;
};

// Every byte and every pair of bytes read as glibc reads them, but for the
// documented leniency (0x23, 0x24 and 0x5C, 0x5E, 0x60, 0x7B, 0x7D, 0x7E are
// ASCII here) and control characters (glibc passes them through, the
// library refuses them).
TEST(T61, ReadsAsGlibcDoes) {
  Glibc glibc("UTF-8", "T.61-8BIT");
  if (!glibc.ok()) GTEST_SKIP() << "glibc has no T.61 converter here";
  const std::string lenient = "#$\\^`{}~";
  int compared = 0;
  for (int first = 0; first < 256; ++first) {
    for (int second = -1; second < 256; ++second) {
      std::string in(1, static_cast<char>(first));
      if (second >= 0) in += static_cast<char>(second);
      char out[16];
      const t61::Result r = t61::Decode(in, out, sizeof out);
      const std::string ours = r.outcome == t61::Outcome::Done ? std::string(out, r.written) : "-";
      std::string theirs = glibc(in);
      const bool control = [&] {
        for (unsigned char b : in)
          if (b < 0x20 || (b >= 0x7F && b < 0xA0)) return true;
        return false;
      }();
      if (control || in.find_first_of(lenient) != std::string::npos) continue;
      ++compared;
      ASSERT_EQ(ToHex(ours), ToHex(theirs)) << "T.61 " << ToHex(in);
    }
  }
  EXPECT_GT(compared, 20000);
}

// Every character below U+3000 written as glibc writes it.
TEST(T61, WritesAsGlibcDoes) {
  Glibc glibc("T.61-8BIT", "UTF-8");
  if (!glibc.ok()) GTEST_SKIP() << "glibc has no T.61 converter here";
  for (char32_t c = 0x20; c < 0x3000; ++c) {
    if ((c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c <= 0xDFFF)) continue;
    char bytes[4], out[4];
    const std::string text(bytes, utf8::Encode(c, bytes));
    const t61::Result r = t61::Encode(text, out, sizeof out);
    const std::string ours = r.outcome == t61::Outcome::Done ? std::string(out, r.written) : "-";
    ASSERT_EQ(ToHex(ours), ToHex(glibc(text))) << "U+" << std::hex << static_cast<uint32_t>(c);
  }
}
#endif

}  // namespace
}  // namespace hvcn
