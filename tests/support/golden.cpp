#include "golden.h"

#include <cctype>
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
  static const std::string kLetters = "tnr\\", kBytes = "\t\n\r\\";
  auto hex = [&](size_t i) { return i < field.size() && std::isxdigit(static_cast<unsigned char>(field[i])); };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    const size_t letter = i + 1 < field.size() ? kLetters.find(field[i + 1]) : std::string::npos;
    if (field[i] != '\\') {
      out += field[i];
    } else if (letter != std::string::npos) {
      out += kBytes[letter];
      ++i;
    } else if (i + 1 < field.size() && field[i + 1] == 'x' && hex(i + 2) && hex(i + 3)) {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += '\\';  // a backslash of a typed name stays
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
