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

// The section of a token in the name, or false when it holds none.
bool Section(const hvcnFormat& f, int32_t tokenId, std::string_view name, Piece* piece) {
  for (const hvcnToken& token : f.tokens) {
    if (token.id != tokenId || token.valueLength == hvcnVALUE_ABSENT) continue;
    if (token.valueOffset > name.size() || token.valueLength > name.size() - token.valueOffset) return false;
    *piece = {token.valueOffset, token.valueOffset + token.valueLength};
    return true;
  }
  return false;
}

std::string Quoted(std::string_view name, Piece piece) {
  return "'" + ShowControls(name.substr(piece.begin, piece.end - piece.begin)) + "'";
}

}  // namespace

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

int32_t Explainer::Probe(const std::string& name, std::string* detail) {
  if (!format_) {
    format_ = std::make_unique<hvcnFormat>();
    usable_ = hvcnParseFormatString(formatString_, format_.get()) == hvcnSUCCESS;
  }
  if (!usable_) return hvcnSUCCESS;  // nothing to learn from it
  uint32_t context = 0;
  const int32_t status = hvcnParseName(name.c_str(), format_.get(), 0, nullptr, 0, &context, flags_);
  if (detail) *detail = format_->errorDetail;
  return status;
}

std::string Explainer::Explain(const hvcnFormat& failed, std::string_view name, int32_t status) {
  if (LooksLikeOrAddress(name))
    return "This looks like a standard O/R address; read it with: hvcn orname " + ShellQuote(name, true);
  switch (status) {
    case hvcnERR_NAME_DOES_NOT_FIT: return failed.errorDetail[0] ? TooManyWords(failed, name) : std::string();
    case hvcnERR_BAD_VALUE:
    case hvcnERR_VALUE_TOO_LONG:
    case hvcnERR_NOT_PRINTABLE:
    case hvcnERR_NOT_NUMERIC:
    case hvcnERR_BAD_COUNTRY:
    case hvcnERR_TOO_MANY_OUS:
    case hvcnERR_UNKNOWN_TAG:
    case hvcnERR_DUPLICATE_ATTRIBUTE:
    case hvcnERR_TOO_MANY_DDAS:
    case hvcnERR_BAD_X400:
    case hvcnERR_BAD_TERMINAL_TYPE: return X400Fault(failed, name, status);
    default: return std::string();
  }
}

// The component of the X.400 part where the name first fails the same way:
// the name is parsed again cut after each component in turn.
std::string Explainer::X400Fault(const hvcnFormat& failed, std::string_view name, int32_t status) {
  Piece part{};
  if (!Section(failed, hvcnTOKEN_X400, name, &part)) return std::string();
  size_t begin = SkipBlanks(name, part.begin, part.end);
  if (begin < part.end && name[begin] == failed.slashChar) ++begin;
  const std::vector<Piece> pieces = Split(name, begin, part.end, failed.slashChar);
  for (size_t k = 0; k < pieces.size(); ++k) {
    Piece piece = pieces[k];
    if (Probe(std::string(name.substr(0, piece.end))) != status) continue;
    // An empty component fails only once another follows it.
    const Piece before = k > 0 ? pieces[k - 1] : piece;
    if (status == hvcnERR_BAD_X400 && k > 0 && SkipBlanks(name, before.begin, before.end) == before.end)
      piece = before;
    piece.begin = SkipBlanks(name, piece.begin, piece.end);
    const size_t column = ColumnOf(name, piece.begin);
    const std::string_view text = name.substr(piece.begin, piece.end - piece.begin);
    const size_t equals = text.find('=');
    switch (status) {
      case hvcnERR_UNKNOWN_TAG: {
        std::string known;
        for (const std::string& tag : KnownTags()) known += (known.empty() ? "" : " ") + tag;
        return Format("The tag %s at column %zu is not one this format knows; it knows: %s.",
                      Quoted(name, {piece.begin, equals == std::string_view::npos ? piece.end : piece.begin + equals})
                          .c_str(),
                      column, known.c_str());
      }
      case hvcnERR_BAD_X400:
        if (text.empty()) return Format("The X.400 component at column %zu is empty.", column);
        if (equals == std::string_view::npos)
          return Format("The X.400 component %s at column %zu is not tag=value.", Quoted(name, piece).c_str(), column);
        if (equals == 0)
          return Format("The X.400 component %s at column %zu has no tag.", Quoted(name, piece).c_str(), column);
        return Format("The X.400 part goes wrong at %s, column %zu.", Quoted(name, piece).c_str(), column);
      case hvcnERR_TOO_MANY_OUS:
        return Format("The component %s at column %zu is one organisational unit too many.",
                      Quoted(name, piece).c_str(), column);
      case hvcnERR_DUPLICATE_ATTRIBUTE:
        return Format("The component %s at column %zu gives an attribute the name already has.",
                      Quoted(name, piece).c_str(), column);
      case hvcnERR_TOO_MANY_DDAS:
        return Format("The component %s at column %zu is one domain-defined attribute too many.",
                      Quoted(name, piece).c_str(), column);
      default: return Format("It is the component %s at column %zu.", Quoted(name, piece).c_str(), column);
    }
  }
  return std::string();
}

// A personal name of more words than its reading takes: how many were
// read, and how many fit (found by asking the library with short words).
std::string Explainer::TooManyWords(const hvcnFormat& failed, std::string_view name) {
  Piece section{};
  const bool canonical = Section(failed, hvcnTOKEN_CANON, name, &section);
  if (!canonical && !Section(failed, hvcnTOKEN_NONCANON, name, &section)) return std::string();
  size_t wordsFrom = section.begin;
  if (canonical) {
    const std::vector<Piece> halves = Split(name, section.begin, section.end, failed.commaChar);
    if (halves.size() < 2) return std::string();
    wordsFrom = halves[1].begin;
  }
  size_t words = 0;
  for (const Piece& word : Split(name, wordsFrom, section.end, ' '))
    if (word.end > word.begin) ++words;
  // The same name with `count` one-letter words in place of the words.
  auto withWords = [&](size_t count) {
    std::string text(name.substr(0, wordsFrom));
    for (size_t i = 0; i < count; ++i) text += (i || canonical) ? " a" : "a";
    return text + std::string(name.substr(section.end));
  };
  const std::string original = failed.errorDetail;
  std::string detail;
  Probe(withWords(words), &detail);
  if (detail != original) return std::string();  // not the number of words
  for (size_t fit = words; fit-- > 1;) {
    Probe(withWords(fit), &detail);
    if (detail == original) continue;
    return canonical ? Format("%zu words were read after the comma; at most %zu fit.", words, fit)
                     : Format("%zu words were read; at most %zu fit.", words, fit);
  }
  return std::string();
}

}  // namespace cli
