#include "support/workload.h"

#include <algorithm>
#include <cstring>

#include "support/golden.h"

namespace hvcn::test {

std::atomic<const char*> Workload::current_{"(none)"};

namespace {

// The format strings a variant reads its names with.
constexpr const char* kVariantFormats[] = {
    "%(CANON)%(EFA)%(X400)",
    "%(116)%(167)%(Dept)%(CANON)",
    "%(NONCANON)/%(X400)",
    "%(1)/%(2)/%(10)/%(Room)",
};

// Typed names for the name parser and the formatter.
constexpr const char* kTypedNames[] = {
    "Smith, John (ext-42) /o=Org/c=US",
    "Smith, J.R. Jr.",
    "Smith, John /ou=Sales,Dev/o=Org/c=GB/a=ADMD/p=PRMD",
    "M\xc3\xbcller, J\xc3\xbcrgen /o=Firma/c=DE",
    "Lee, Ann /dd.x=y/c=US",
    "John Smith",
};

template <typename T>
void Rotate(std::vector<T>& v, int variant) {
  if (!v.empty()) std::rotate(v.begin(), v.begin() + static_cast<long>(static_cast<size_t>(variant) % v.size()), v.end());
}

}  // namespace

Workload::Workload(int variant) {
  formatString_ = kVariantFormats[static_cast<size_t>(variant) % std::size(kVariantFormats)];
  for (const auto& c : ReadGolden("format_strings.txt")) formatStrings_.push_back(c[0]);
  for (const auto& c : ReadGolden("rs_lists.txt")) formatStrings_.push_back(c[0]);
  for (const auto& c : ReadGolden("internal_names.txt")) internal_.push_back({std::stoi(c[0]), c[1]});
  for (const auto& c : ReadGolden("gsetb_names.txt")) {
    internal_.push_back({hvcnINTERNAL_GSETB, c[0]});
    gsetbNames_.push_back(c[0]);
  }
  for (const auto& c : ReadGolden("validate.txt")) {
    const std::string& check = c[0];
    const int32_t which = check == "N" ? 0 : check == "P" ? 1 : check == "S" ? 2 : check == "T" ? 3 : std::stoi(check);
    values_.push_back({which, std::stoi(c[1]), c[2]});
  }
  for (const auto& c : ReadGolden("internet_names.txt")) internetNames_.push_back(c[0]);
  for (const auto& c : ReadGolden("internet_normalise.txt")) internetNames_.push_back(c[0]);
  for (const char* name : kTypedNames) typedNames_.push_back(name);
  Rotate(formatStrings_, variant);
  Rotate(internal_, variant);
  Rotate(values_, variant);
  Rotate(internetNames_, variant);
  Rotate(typedNames_, variant);
}

void Workload::Mix(uint64_t value) noexcept {
  // FNV-1a over the value's bytes.
  for (int i = 0; i < 8; ++i) {
    digest_ ^= (value >> (8 * i)) & 0xFF;
    digest_ *= 0x100000001B3ull;
  }
}

void Workload::MixText(const char* text, size_t size) noexcept {
  for (size_t i = 0; i < size && text[i]; ++i) {
    digest_ ^= static_cast<unsigned char>(text[i]);
    digest_ *= 0x100000001B3ull;
  }
  Mix(0);
}

void Workload::Enter(const char* call) noexcept {
  current_.store(call, std::memory_order_relaxed);
  ++calls_;
}

uint64_t Workload::Run(hvcnFormat* f) noexcept {
  digest_ = 0xCBF29CE484222325ull;
  calls_ = 0;
  FormatStrings(f);
  FormatInfo(f);
  InternalNames(f);
  TypedNames(f);
  Checks();
  current_.store("(none)", std::memory_order_relaxed);
  callsPerRun_ = calls_;
  return digest_;
}

void Workload::FormatStrings(hvcnFormat* f) noexcept {
  for (const std::string& fs : formatStrings_) {
    Enter("hvcnParseFormatString");
    Mix(static_cast<uint64_t>(hvcnParseFormatString(fs.c_str(), f)));
    for (const hvcnToken& t : f->tokens) Mix(static_cast<uint64_t>(t.id) ^ (uint64_t{t.slot} << 32));
    MixText(f->errorDetail, sizeof f->errorDetail);
    if (!(f->flags & hvcnFMT_READY)) continue;
    Enter("hvcnGetRSList");
    Mix(static_cast<uint64_t>(hvcnGetRSList(f, out_, sizeof out_)));
    MixText(out_, sizeof out_);
    Enter("hvcnChangeInputFormat");
    Mix(static_cast<uint64_t>(hvcnChangeInputFormat(formatString_.c_str(), f)));
    Enter("hvcnChangeOutputFormat");
    Mix(static_cast<uint64_t>(hvcnChangeOutputFormat(fs.c_str(), f)));
    for (int32_t id : f->outputTokenIds) Mix(static_cast<uint64_t>(id));
  }
}

void Workload::FormatInfo(hvcnFormat* f) noexcept {
  Enter("hvcnParseFormatString");
  Mix(static_cast<uint64_t>(hvcnParseFormatString(formatString_.c_str(), f)));
  // Every setting of the format itself (the wildcard and the tag names are
  // process-wide and stay as they are).
  const int32_t ids[] = {hvcnTOKEN_X400, hvcnATT_COUNTRY, 0};
  char reconfigured[] = "116,,24";
  const int32_t mask = 20;
  const char slash = '#', comma = ';';
  char escapes[] = "/,= ()";
  const uint32_t on = 1;
  struct Set {
    uint16_t type;
    const void* data;
  } const sets[] = {
      {hvcnINFO_OUTPUT_TOKENS, ids}, {hvcnINFO_RECONFIGURED, reconfigured}, {hvcnINFO_X400_MASK, &mask},
      {hvcnINFO_SLASH_CHAR, &slash}, {hvcnINFO_COMMA_CHAR, &comma},         {hvcnINFO_ESCAPE_LIST, escapes},
      {hvcnINFO_7BIT_ONLY, &on},     {hvcnINFO_RS_USER_ONLY, &on},          {hvcnINFO_COMPLEX, &on},
      {hvcnINFO_NO_RECONFIG, &on},   {hvcnINFO_OU_TAGS, &on},               {hvcnINFO_X400_PERSONAL, &on},
      {hvcnINFO_PREFER_TELETEX, &on}, {hvcnINFO_NO_FOREIGN, &on},
  };
  for (const Set& s : sets) {
    Enter("hvcnSetFormatInfo");
    Mix(static_cast<uint64_t>(hvcnSetFormatInfo(f, s.data, s.type)));
  }
  for (uint16_t type = 0; type <= 18; ++type) {
    std::memset(out_, 0, 64);
    Enter("hvcnGetFormatInfo");
    Mix(static_cast<uint64_t>(hvcnGetFormatInfo(f, out_, 64, type)));
    MixText(out_, 64);
    Enter("hvcnGetFormatInfo");
    Mix(static_cast<uint64_t>(hvcnGetFormatInfo(f, small_, 3, type)));
  }
}

void Workload::InternalNames(hvcnFormat* f) noexcept {
  Enter("hvcnParseFormatString");
  Mix(static_cast<uint64_t>(hvcnParseFormatString(formatString_.c_str(), f)));
  for (const Internal& name : internal_) {
    Enter("hvcnTranslateInternalFormat");
    Mix(static_cast<uint64_t>(hvcnTranslateInternalFormat(f, name.type, name.text.c_str(), 0, nullptr, 0, 0)));
    for (int32_t type = hvcnINTERNAL_GS; type <= hvcnINTERNAL_GSRS; ++type) {
      Enter("hvcnTranslateInternalFormat");
      Mix(static_cast<uint64_t>(
          hvcnTranslateInternalFormat(f, 0, nullptr, type, out_, sizeof out_, hvcnTIF_ALWAYS_ENCODE)));
      MixText(out_, sizeof out_);
      Enter("hvcnTranslateInternalFormat");
      Mix(static_cast<uint64_t>(hvcnTranslateInternalFormat(f, 0, nullptr, type, small_, sizeof small_, 0)));
    }
    for (int32_t id : {1, 2, 10, 16, 25, 51, 116, 167, 99, -99, -98, 0}) {
      std::strcpy(out_, "Dept");
      Enter("hvcnGetAttributeValue");
      Mix(static_cast<uint64_t>(hvcnGetAttributeValue(f, id, out_, 1024)));
      MixText(out_, 1024);
    }
    Enter("hvcnIsGSETBInternetName");
    Mix(hvcnIsGSETBInternetName(name.text.c_str()));
  }
}

void Workload::TypedNames(hvcnFormat* f) noexcept {
  for (const std::string& name : typedNames_) {
    for (int32_t type = 0; type <= hvcnINTERNAL_GSRS; ++type) {
      uint32_t context = 0;
      // Every reading of the name, a bounded number of times.
      for (int reading = 0; reading < 16; ++reading) {
        Enter("hvcnParseName");
        const int32_t status = hvcnParseName(name.c_str(), f, type, out_, sizeof out_, &context, hvcnPARSE_COMPLETE);
        Mix(static_cast<uint64_t>(status));
        Mix(context);
        MixText(out_, sizeof out_);
        for (uint16_t flags : {uint16_t{0}, uint16_t{hvcnFN_REFORMAT}, uint16_t{hvcnFN_ESCAPE}}) {
          Enter("hvcnFormatName");
          Mix(static_cast<uint64_t>(hvcnFormatName(f, out_, sizeof out_, flags)));
          MixText(out_, sizeof out_);
        }
        if (status != hvcnSUCCESS || context == 0) break;
      }
    }
  }
  // Decoded names written under the format's tokens.
  Enter("hvcnParseFormatString");
  Mix(static_cast<uint64_t>(hvcnParseFormatString(formatString_.c_str(), f)));
  for (const Internal& name : internal_) {
    Enter("hvcnTranslateInternalFormat");
    Mix(static_cast<uint64_t>(hvcnTranslateInternalFormat(f, name.type, name.text.c_str(), 0, nullptr, 0, 0)));
    Enter("hvcnFormatName");
    Mix(static_cast<uint64_t>(hvcnFormatName(f, out_, sizeof out_, hvcnFN_ESCAPE)));
    MixText(out_, sizeof out_);
  }
}

void Workload::Checks() noexcept {
  for (const Value& v : values_) {
    int32_t flag = 0;
    int32_t result;
    switch (v.check) {
      case 0: Enter("hvcnValidateNString"); result = hvcnValidateNString(v.text.c_str(), v.maximum); break;
      case 1: Enter("hvcnValidatePString"); result = hvcnValidatePString(v.text.c_str(), v.maximum); break;
      case 2: Enter("hvcnValidateString"); result = hvcnValidateString(v.text.c_str(), v.maximum, &flag); break;
      case 3:
        Enter("hvcnValidateTeletexOrPString");
        result = hvcnValidateTeletexOrPString(v.text.c_str(), v.maximum, &flag);
        break;
      default: Enter("hvcnValidateAttribute"); result = hvcnValidateAttribute(v.text.c_str(), v.maximum, v.check);
    }
    Mix(static_cast<uint64_t>(result) ^ (static_cast<uint64_t>(flag) << 32));
  }
  for (const std::string& name : internetNames_) {
    Enter("hvcnParseInternetName");
    Mix(hvcnParseInternetName(name.c_str(), out_));
    MixText(out_, sizeof out_);
  }
  for (const std::string& name : gsetbNames_) {
    Enter("hvcnIsGSETBInternetName");
    Mix(hvcnIsGSETBInternetName(name.c_str()));
  }
  for (int32_t code = -1; code <= 32; ++code) {
    Enter("hvcnGetErrorText");
    Mix(static_cast<uint64_t>(hvcnGetErrorText(code, out_, 256)));
    MixText(out_, 256);
  }
  uint16_t interface = 0;
  Enter("hvcnVersion");
  Mix(static_cast<uint64_t>(hvcnVersion(out_, 64, &interface)) + interface);
  MixText(out_, 64);
}

}  // namespace hvcn::test
