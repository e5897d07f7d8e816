// The format structure: initialisation and resets, the format-string parser
// and the defaults that the profile gives every new format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/hvcn.h"

namespace hvcn::format {

// Size of formatString (including the NUL).
inline constexpr size_t kFormatStringSize = sizeof(hvcnFormat::formatString);

// The most characters of a caller's format string that a format keeps; the
// field's last byte is used only by a default format string from the profile.
inline constexpr size_t kCallerFormatStringKept = 255;

// A reset token: no name, no text, nothing else.
void ResetToken(hvcnToken* token) noexcept;

// Empties the held name: nameBuffer, every value absent, errorDetail, and
// the flags of the name (hvcnFMT_NAME_HELD, hvcnFMT_NAME_COMPLETE,
// hvcnFMT_DIRECTORY_NAME).
void ResetName(hvcnFormat* format) noexcept;

// ResetName without the values: nameBuffer, errorDetail and the two flags.
void ResetNameText(hvcnFormat* format) noexcept;

// Lets go of the token texts a typed name left (each token's text absent,
// its flags but hvcnTOK_LAST cleared).
void ResetTokenTexts(hvcnFormat* format) noexcept;

// The start of every reader of a name in a form other than the typed one
// (the standard O/R address forms, BER/DER, AMHS): the held name emptied as
// ResetName does, the token texts of the last typed name let go, and
// nameType hvcnNAME_OR_ADDRESS. hvcnParseName with hvcnPARSE_REINTERPRET
// refuses such a name (hvcnERR_NO_MORE_INTERPRETATIONS, nothing changed):
// there are no token texts of it to read again. The reader sets
// hvcnFMT_NAME_HELD once the whole name is read.
void StartReadName(hvcnFormat* format) noexcept;

// Empties the format string, resets tokens, output IDs, the reconfigured
// list, the held name, every attribute record, and clears all flags.
void InitialiseFormat(hvcnFormat* format) noexcept;

// The values the standard records read after ApplyFormatDefaults: empty, as
// a ready format has them, or absent, as a fresh parse resets them next.
enum class CatalogueValues { kEmpty, kAbsent };

// The profile's defaults for a freshly initialised format: the default
// format string when the format's is empty, the reconfigured list, the
// standard catalogue, separators, mask, wildcard and flags. 0 on success.
int32_t ApplyFormatDefaults(hvcnFormat* format, CatalogueValues values = CatalogueValues::kEmpty) noexcept;

// hvcnParseFormatString's work without its frame lines: the set-up of a
// format of the library's own (the explainer's probes).
int32_t SetUpFormatFrom(hvcnFormat* format, const char* formatString) noexcept;

// hvcnParseFormatString, frame lines and argument checks included:
// initialises the format, applies the configured defaults and parses the
// format string (NULL keeps the configured default).
int32_t ParseFormatStringFramed(const char* formatString, hvcnFormat* format) noexcept;

// The start of every fresh parse of a name: the format is set up again from
// (at most 255 characters of) its own format string as hvcnParseFormatString
// does (its status does not matter to the parse), and the held name is reset.
// A format marked by its last set-up only has the parse's traces undone;
// builds without NDEBUG check that against the full set-up and abort when
// the two differ.
void ReparseFormatForName(hvcnFormat* format) noexcept;

// hvcnChangeInputFormat and hvcnChangeOutputFormat after their checks.
int32_t ChangeInputFormat(hvcnFormat* format, const char* formatString) noexcept;
int32_t ChangeOutputFormat(hvcnFormat* format, const char* formatString) noexcept;

// The format's dump, when data tracing is on.
void DumpIfTracing(const hvcnFormat* format) noexcept;

// Setting a format up again from its own format string rebuilds exactly what
// the last set-up built, unless something other than a parse changed the
// format since. MarkSetUp notes, in the reserved tail, that the format is as
// a set-up leaves it apart from what parsing changes; every change of the
// format's settings, tokens or records calls ForgetSetUp. RestoreSetUp undoes
// what parsing changed in a marked format (values, the held name) and returns
// false, changing nothing, when the mark is missing or no longer holds.
void MarkSetUp(hvcnFormat* format) noexcept;
void ForgetSetUp(hvcnFormat* format) noexcept;
bool RestoreSetUp(hvcnFormat* format) noexcept;

// True once the profile's defaults are read and shared by every set-up.
bool DefaultsSettled() noexcept;

// The token ID of a token name of `length` bytes: -2..-5 for the section
// names, the number of an all-digit name, -1 for any other (user) name and 0
// for an invalid one.
int32_t ClassifyTokenName(const char* name, size_t length) noexcept;

// Parses a format string into ten token records (reset by the caller).
// Records the detail text of a syntax error in the format.
int32_t ParseFormatTokens(const char* text, hvcnFormat* format, hvcnToken* tokens) noexcept;

}  // namespace hvcn::format
