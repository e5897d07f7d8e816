#include "golden.h"

#include <fstream>
#include <stdexcept>

namespace hvcn::test {

const std::string& GoldenCase::operator[](size_t i) const {
  static const std::string kEmpty;
  return i < fields.size() ? fields[i] : kEmpty;
}

std::string GoldenCase::Where() const { return file + ":" + std::to_string(line); }

std::string DataPath(const std::string& name) { return std::string(HVCN_TEST_DATA_DIR) + "/" + name; }

std::string Unescape(const std::string& field) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c != '\\' || i + 1 == field.size()) {
      out += c;
      continue;
    }
    char n = field[i + 1];
    if (n == 't') { out += '\t'; ++i; }
    else if (n == 'n') { out += '\n'; ++i; }
    else if (n == 'r') { out += '\r'; ++i; }
    else if (n == '\\') { out += '\\'; ++i; }
    else if (n == 'x' && i + 3 < field.size() && hex(field[i + 2]) >= 0 && hex(field[i + 3]) >= 0) {
      out += static_cast<char>(hex(field[i + 2]) * 16 + hex(field[i + 3]));
      i += 3;
    } else {
      out += c;  // a backslash of a typed name stays
    }
  }
  return out;
}

std::vector<GoldenCase> ReadGolden(const std::string& name) {
  std::ifstream in(DataPath(name), std::ios::binary);
  if (!in) throw std::runtime_error("cannot open golden file " + DataPath(name));
  std::vector<GoldenCase> cases;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    GoldenCase c;
    c.file = name;
    c.line = number;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      c.fields.push_back(Unescape(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

}  // namespace hvcn::test
