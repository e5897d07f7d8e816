// Scenario scripts: a golden file whose rows are calls on one format, each
// with the text it must answer, and the trace lines that the calls write.
// The same interpreter runs in the API test program (through the shared
// library, tracing as the library was loaded: level 0, tnname.log) and in
// the unit test program (the library's objects, any trace level).
//
// A row is a command, its arguments and the expected answer, tab-separated.
// "NULL" passes a null pointer; a buffer is given by its size ("16"), or as
// "NULL" or "NULL:16" for a null pointer (of size 0 or 16); an answer shows
// "-" for a buffer the call left untouched.
//
//   scenario NAME                  a new zero-filled format (not ready)
//   parsefs TEXT                   hvcnParseFormatString         -> status
//   input TEXT / output TEXT       hvcnChangeInput/OutputFormat  -> status
//   set TYPE DATA                  hvcnSetFormatInfo             -> status
//       DATA: type 1 IDs "24,-4,0"; 2, 7 text; 3 a number; 4-6 a character;
//       16 "ID:name"; the flag types a number
//   get TYPE BUFFER                hvcnGetFormatInfo             -> status data
//   parse NAME FLAGS CONTEXT OUT   hvcnParseName (FLAGS: C complete, T prefer
//       teletex, R reinterpret; OUT "-" or TYPE:BUFFER) -> status context [text]
//   format FLAGS BUFFER            hvcnFormatName (R reformat, E escape)
//   translate TYPE SOURCE TYPE BUFFER FLAGS   (H held, A always, S skip)
//   value ID BUFFER TEXT           hvcnGetAttributeValue (TEXT: the buffer's
//       contents first, the user attribute's name for ID 0)
//   rslist BUFFER / error CODE BUFFER / version BUFFER / info ID SIZE
//   check CLASS MAX VALUE FLAG     a class check (N P S T, FLAG "NULL" or -)
//                                  or hvcnValidateAttribute (an ID)
//   internet NAME BUFFER / gsetb NAME
//   orname TEXT FORM               hvcnParseORAddress (FORM: - auto, A the ";"
//                                  form, S the "/" form)     -> status
//   fresh NAME FLAGS LEVEL         parses the name in the format and in a
//       byte copy of it, which takes the full set-up (at the trace level
//       given): -> status context same|differs
//   use main|other|fresh|null      the format the next calls get (fresh: a
//                                  new zero-filled one)
//   show WHAT                      the format: values parts tokens texts
//       name reconfigured flags detail string chars mask type shape marked
//       outputs escapes records (the user records) or a record number
//   trace LEVEL                    starts collecting the trace lines
//   log LINE                       the next expected line ("TAG text"; the
//       format is F, its copy C, the call's buffers B, its texts T and the
//       data of a setting D)
// The lines collected since `trace` must equal the `log` rows that follow,
// checked at the next `trace`, `scenario` or the end of the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "golden.h"
#include "api/hvcn.h"

namespace hvcn::test {

struct TraceHooks {
  std::function<void(uint16_t level)> start;        // empties the log, sets the level
  std::function<void()> stop;                       // back to level 0
  std::function<std::vector<std::string>()> lines;  // "TAG text" of every line so far
  std::function<std::string(const std::string&)> native;  // an expected line as the log has it
};

// Runs the script tests/data/<name>.
void RunScript(const std::string& name, const TraceHooks& hooks);

// Runs the rows of a script read before. With a sink the answers go there
// instead of being compared, and the rows that trace or change what all
// formats share (the wildcard, tag names) are left out.
void RunScriptRows(const std::vector<GoldenCase>& rows, const TraceHooks& hooks, const RowSink& sink = {});

// Runs the rows of a script written on one line, separated by fields ";"
// (the kind "script" of regressions.txt); answers every field.
std::vector<std::string> RunScriptRow(const GoldenCase& row, const TraceHooks& hooks);

// Every held value in slot order as name=value joined by '|' (the empty
// ones left out on request); a foreign-address marker reads "RFC-822".
std::string HeldValues(const hvcnFormat& f, bool skipEmpty = false);

// The personal name: s g i q and their twins, present ones only.
std::string PersonalParts(const hvcnFormat& f);

// The tokens in use as "ID:LEAD:TRAIL:SLOT:FLAGS" joined by blanks.
std::string Tokens(const hvcnFormat& f);

// Parse flags from letters: C complete, T prefer teletex, R reinterpret.
uint32_t ParseFlags(const std::string& text);

}  // namespace hvcn::test
