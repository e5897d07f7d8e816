#include "result.h"

#include <cstdio>

#include "batch.h"
#include "cli.h"

namespace cli {

void Result::Clear() {
  input = {};
  status = 0;
  failed = false;
  detail.clear();
  explanation.clear();
  column = 0;
  warning.clear();
  fields.Clear();
  text.Clear();
}

void Result::Number(const char* key, int64_t value) { AppendNumber(Raw(key), value); }

void Result::Bool(const char* key, bool value) { Raw(key) += value ? "true" : "false"; }

void Result::Null(const char* key) { Raw(key) += "null"; }

Buffer& Result::Raw(const char* key) {
  fields += ",\"";
  fields += key;
  fields += "\":";
  return fields;
}

Result& Results::Add() {
  if (count_ == items_.size()) items_.emplace_back();
  Result& result = items_[count_++];
  result.Clear();
  return result;
}

bool ResultWriter::Write(const Result& r, size_t line, Buffer& out, std::string& err) const {
  const bool failure = r.Failed();
  const bool withStatus = shape_.status && r.status != 0;
  const std::string statusText = withStatus ? StatusText(r.status) : std::string();
  if (json_) {
    out += '{';
    if (shape_.inputKey) AppendJsonField(out, shape_.inputKey, r.input, true);
    if (shape_.status) {
      out += shape_.inputKey ? ",\"status\":" : "\"status\":";
      AppendNumber(out, r.status);
    }
    if (withStatus) {
      AppendJsonField(out, "error", statusText);
      AppendJsonField(out, "detail", r.detail);
      if (!r.explanation.empty()) AppendJsonField(out, "explanation", r.explanation);
      if (r.column) {
        out += ",\"column\":";
        AppendNumber(out, r.column);
      }
    }
    // Without an input or a status the first field opens the object.
    std::string_view fields = r.fields.View();
    if (!shape_.inputKey && !shape_.status && !fields.empty()) fields.remove_prefix(1);
    out += fields;
    out += "}\n";
  } else {
    out += r.text.View();
    if (withStatus && shape_.errorLine) {
      out += Format("error %d: %s", r.status, statusText.c_str());
      if (!r.detail.empty()) out += " " + r.detail;
      out += '\n';
    }
  }
  if (withStatus && shape_.message && !json_) {
    std::string message = Where(line) + ShowControls(r.input) + ": " + std::to_string(r.status) + ": " + statusText;
    if (!r.detail.empty()) message += " " + r.detail;
    if (!r.explanation.empty()) message += " " + r.explanation;
    AppendMessage(err, "%s", message.c_str());
  }
  if (!r.warning.empty() && !json_)
    AppendMessage(err, "%s%s: warning: %s", Where(line).c_str(), ShowControls(r.input).c_str(), r.warning.c_str());
  return failure;
}

int WriteResults(const ResultWriter& writer, const Results& results) {
  Buffer out;
  std::string err;
  bool failed = false;
  for (size_t i = 0; i < results.Size(); ++i) failed |= writer.Write(results[i], 0, out, err);
  out.Write(stdout);
  if (!err.empty()) {
    std::fflush(stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
  }
  return failed ? kFailed : kOk;
}

int FinishOutput(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    Error("the output could not be written");
    return kFailed;
  }
  return status;
}

}  // namespace cli
