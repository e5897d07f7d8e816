// hvcn cert: the x400Address entries of X.509 certificates (their
// subjectAltName and issuerAltName), read by hvcnGetCertificateORAddress.
// PEM is the tool's business: its base64 is decoded here.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "attributes.h"
#include "cli.h"
#include "commands.h"
#include "files.h"
#include "hvcn.h"
#include "result.h"
#include "text.h"

namespace {

constexpr cli::Option kOptions[] = {
    {"--teletex-latin1", nullptr, "read TeletexString values as Latin-1, as many certificate writers put them"},
    {"--json", nullptr, "print one JSON object per x400Address"},
};

// The value of a base64 character, -1 for one that is none.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes base64 text (line ends and blanks skipped, '=' padding at the
// end); false for text that is no base64.
bool DecodeBase64(std::string_view text, std::string& bytes) {
  uint32_t bits = 0;
  int count = 0;
  size_t padding = 0;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int value = Base64Value(c);
    if (value < 0 || padding) return false;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      bytes += static_cast<char>(bits >> 16);
      bytes += static_cast<char>(bits >> 8);
      bytes += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 1 || padding > 2) return false;
  if (count == 2) bytes += static_cast<char>(bits >> 4);
  if (count == 3) {
    bytes += static_cast<char>(bits >> 10);
    bytes += static_cast<char>(bits >> 2);
  }
  return true;
}

// The certificates of a file: the blocks of a PEM file whose label ends in
// CERTIFICATE ("CERTIFICATE", "X509 CERTIFICATE", "TRUSTED CERTIFICATE"),
// else the file as one DER certificate. Prints why when it cannot.
bool Certificates(const char* path, const std::string& data, std::vector<std::string>& certificates) {
  constexpr std::string_view kBegin = "-----BEGIN ", kEnd = "-----END ", kDashes = "-----";
  if (data.find(kBegin) == std::string::npos) {
    certificates.push_back(data);
    return true;
  }
  for (size_t at = 0; (at = data.find(kBegin, at)) != std::string::npos;) {
    const size_t labelAt = at + kBegin.size();
    const size_t labelEnd = data.find(kDashes, labelAt);
    if (labelEnd == std::string::npos) break;
    const std::string label = data.substr(labelAt, labelEnd - labelAt);
    const size_t body = labelEnd + kDashes.size();
    const size_t end = data.find(std::string(kEnd) + label + std::string(kDashes), body);
    if (end == std::string::npos) {
      cli::Error("%s: the PEM block '%s' has no end line", path, label.c_str());
      return false;
    }
    at = end;
    if (!std::string_view(label).ends_with("CERTIFICATE")) continue;
    std::string der;
    if (!DecodeBase64(std::string_view(data).substr(body, end - body), der)) {
      cli::Error("%s: the PEM block '%s' is not base64", path, label.c_str());
      return false;
    }
    certificates.push_back(std::move(der));
  }
  if (certificates.empty()) cli::Error("%s: the PEM file holds no certificate", path);
  return !certificates.empty();
}

const char* ExtensionName(uint32_t extension) {
  switch (extension) {
    case hvcnCERT_SUBJECT_ALT_NAME: return "subjectAltName";
    case hvcnCERT_ISSUER_ALT_NAME: return "issuerAltName";
    default: return nullptr;
  }
}

constexpr cli::Shape kShape{"file"};

class CertReader {
 public:
  CertReader(uint32_t flags, bool json) : flags_(flags), json_(json), f_(std::make_unique<hvcnFormat>()) {}

  bool Ready() { return cli::ReadyFormat(nullptr, f_.get()); }

  // Adds a result for each x400Address entry of the certificate (number
  // `number` of `count` in the file), in the order the library counts them:
  // those of the subjectAltName, then those of the issuerAltName.
  void Read(const char* path, const std::string& der, size_t number, size_t count, cli::Results& results) {
    const std::string label = count > 1 ? cli::Format("%s (certificate %zu)", path, number) : std::string(path);
    std::string lastFailure;
    const size_t before = results.Size();
    for (uint32_t index = 0;; ++index) {
      uint32_t extension = flags_;
      const int32_t status =
          hvcnGetCertificateORAddress(der.data(), static_cast<uint32_t>(der.size()), index, f_.get(), &extension);
      if (status == hvcnERR_NO_MORE_INTERPRETATIONS) break;
      // A fault of the certificate itself, not of one entry, comes back for
      // every index: it is given once.
      const std::string failure = status == hvcnSUCCESS ? std::string() : std::to_string(status) + f_->errorDetail;
      if (!failure.empty() && failure == lastFailure) break;
      lastFailure = failure;
      Entry(results.Add(), path, label, number, index, status, extension);
    }
    if (results.Size() == before)
      cli::Error("%s: no x400Address in the subjectAltName or the issuerAltName", label.c_str());
  }

 private:
  void Entry(cli::Result& r, const char* path, const std::string& label, size_t number, uint32_t index,
             int32_t status, uint32_t extension) {
    r.input = path;
    r.status = status;
    std::string_view output;
    if (r.status == hvcnSUCCESS) r.status = names_.ORAddress(*f_, 0, &output);
    if (r.status != hvcnSUCCESS) r.detail = f_->errorDetail;
    // An entry the library could not read has no extension to name.
    const char* where = status == hvcnSUCCESS ? ExtensionName(extension) : nullptr;
    if (!json_) {
      r.text += label + ": " + (where ? where : "x400Address") + "[" + std::to_string(index + 1) + "]: ";
      if (r.status == hvcnSUCCESS) {
        cli::AppendShown(r.text, output);
        r.text += '\n';
      }
      return;
    }
    r.Number("certificate", static_cast<int64_t>(number));
    if (where) r.Field("extension", where);
    else r.Null("extension");
    r.Number("index", index + 1);
    if (r.status != hvcnSUCCESS) return;
    r.Field("output", output);
    attributesJson_.AppendHeld(r.Raw("attributes"), *f_);
  }

  const uint32_t flags_;
  const bool json_;
  std::unique_ptr<hvcnFormat> f_;
  cli::NameWriter names_;
  cli::AttributesJson attributesJson_;
};

int Run(const cli::Invocation& args) {
  if (args.Positional().empty()) {
    cli::Error("give the certificate files: hvcn cert FILE... (see 'hvcn cert --help')");
    return cli::kUsage;
  }
  const bool json = args.Has("--json");
  CertReader reader(args.Has("--teletex-latin1") ? hvcnBER_TELETEX_LATIN1 : 0u, json);
  if (!reader.Ready()) return cli::kFailed;
  const cli::ResultWriter writer(kShape, json);
  cli::Results results;
  int exit = cli::kOk;
  for (const char* path : args.Positional()) {
    std::string data;
    std::vector<std::string> certificates;
    if (!cli::ReadFile(path, "certificate", data) || !Certificates(path, data, certificates)) {
      exit = cli::kFailed;
      continue;
    }
    results.Clear();
    for (size_t i = 0; i < certificates.size(); ++i) reader.Read(path, certificates[i], i + 1, certificates.size(), results);
    if (cli::WriteResults(writer, results) != cli::kOk) exit = cli::kFailed;
  }
  return exit;
}

}  // namespace

const cli::Command kCertCommand = {
    "cert",
    "Show the x400Address entries (O/R addresses) of X.509 certificates.",
    "FILE...",
    "Reads each certificate file, PEM (every CERTIFICATE block) or DER, and prints\n"
    "every x400Address of its subjectAltName and issuerAltName, one line each:\n"
    "the file, the extension and the entry's number, counted through the\n"
    "subjectAltName and then the issuerAltName from 1, and the O/R address in\n"
    "the \"/\" form of RFC 2156 (hvcnGetCertificateORAddress). No signature is\n"
    "checked. An entry that is no O/R address gives error N: text detail, the\n"
    "detail naming the component and its byte offset in the certificate; a\n"
    "certificate without an x400Address gets a note on standard error. With\n"
    "--json each entry is one JSON object: file, certificate (its number in the\n"
    "file), extension, index, status, output and the attributes (as parse --json\n"
    "shows them). The exit status is 1 when an entry cannot be read or a file is\n"
    "no certificate.\n\n"
    "examples:\n"
    "  $ hvcn cert kille.pem\n"
    "  kille.pem: subjectAltName[1]: /CN=Steve Kille/OU=R-D/O=Salford/PRMD=UK.AC/ADMD=GOLD 400/C=GB/\n"
    "  $ hvcn cert --json *.der > addresses.jsonl\n",
    kOptions,
    Run,
};
