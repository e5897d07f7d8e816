#include "explain.h"

#include <vector>

#include "attributes.h"
#include "cli.h"
#include "text.h"

namespace cli {
namespace {

// A piece of the name: [begin, end) in bytes.
struct Piece {
  size_t begin;
  size_t end;
};

// The pieces of name[begin, end) between unescaped separators (a backslash
// escapes the character after it).
std::vector<Piece> Split(std::string_view name, size_t begin, size_t end, char separator) {
  std::vector<Piece> pieces;
  size_t start = begin;
  for (size_t i = begin; i < end; ++i) {
    if (name[i] == '\\') {
      ++i;
    } else if (name[i] == separator) {
      pieces.push_back({start, i});
      start = i + 1;
    }
  }
  pieces.push_back({start, end});
  return pieces;
}

size_t SkipBlanks(std::string_view name, size_t at, size_t end) {
  while (at < end && name[at] == ' ') ++at;
  return at;
}

// Does the name look like a standard O/R address ("/G=John/S=Smith/C=US/",
// "G=John; S=Smith; C=US") rather than a typed name?
bool LooksLikeOrAddress(std::string_view name) {
  size_t begin = SkipBlanks(name, 0, name.size());
  size_t end = name.size();
  while (end > begin && name[end - 1] == ' ') --end;
  if (begin == end) return false;
  const bool slashes = name[begin] == '/';
  if (!slashes && name.find(';') == std::string_view::npos) return false;
  std::vector<Piece> pieces = Split(name, begin, end, slashes ? '/' : ';');
  size_t labelled = 0;
  bool beyondTags = !slashes || name[end - 1] == '/';
  for (Piece piece : pieces) {
    piece.begin = SkipBlanks(name, piece.begin, piece.end);
    while (piece.end > piece.begin && name[piece.end - 1] == ' ') --piece.end;
    if (piece.begin == piece.end) continue;
    const std::string_view text = name.substr(piece.begin, piece.end - piece.begin);
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || !IsStandardLabel(text.substr(0, equals))) return false;
    if (!IsTag(text.substr(0, equals))) beyondTags = true;
    ++labelled;
  }
  return labelled >= (slashes ? 1u : 2u) && beyondTags;
}

}  // namespace

std::string Explanation(const hvcnFormat& failed, int32_t status, uint32_t call, uint32_t how, const char* text,
                        uint32_t* column) {
  uint32_t needed = 0, at = 0;
  std::string explanation;
  if (hvcnExplainStatus(&failed, status, call, how, text, nullptr, 0, &needed, &at) == hvcnERR_BUFFER_TOO_SMALL) {
    explanation.resize(needed);
    if (hvcnExplainStatus(&failed, status, call, how, text, explanation.data(), needed, &needed, &at) == hvcnSUCCESS)
      explanation.resize(needed - 1);
    else
      explanation.clear();
  }
  if (column) *column = explanation.empty() ? 0 : at;
  return explanation;
}

Looks LooksLike(std::string_view text) { return LooksLikeOrAddress(text) ? Looks::ORAddress : Looks::Other; }

std::string ExplainName(const hvcnFormat& failed, int32_t status, uint32_t flags, std::string_view name,
                        uint32_t* column) {
  if (LooksLike(name) == Looks::ORAddress) {
    *column = 0;
    return "This looks like a standard O/R address; read it with: hvcn orname " + ShellQuote(name, true);
  }
  const std::string text(name);
  return Explanation(failed, status, hvcnEXPLAIN_NAME, flags, text.c_str(), column);
}

}  // namespace cli
