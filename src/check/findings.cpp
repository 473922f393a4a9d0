// Findings as text and as JSON lines. The JSON is written here: strings escaped as JSON
// requires, figures as plain numbers (null for one that is not finite).
#include "check/findings.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;  // UTF-8 passes through as it is
        }
    }
  }
  return out + "\"";
}

std::string Number(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

}  // namespace

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Info:
      return "info";
  }
  return "info";
}

bool HasFault(const std::vector<Finding>& findings) {
  for (const Finding& finding : findings)
    if (finding.severity != Severity::Info) return true;
  return false;
}

std::string FindingLine(const Finding& finding) {
  std::string line = std::string(SeverityName(finding.severity)) + " " + finding.code;
  if (!finding.where.empty()) line += " (" + finding.where + ")";
  return line + ": " + finding.message;
}

std::string FindingsJson(const std::string& file, const char* kind,
                         const std::vector<Finding>& findings) {
  std::string out =
      "{\"file\": " + Quoted(file) + ", \"kind\": " + Quoted(kind) + ", \"findings\": [";
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const Finding& f = findings[i];
    out += i ? ", {" : "{";
    out += "\"code\": " + Quoted(f.code) + ", \"severity\": " + Quoted(SeverityName(f.severity)) +
           ", \"message\": " + Quoted(f.message);
    if (!f.where.empty()) out += ", \"where\": " + Quoted(f.where);
    for (const Figure& figure : f.figures)
      out += ", " + Quoted(figure.name) + ": " + Number(figure.value);
    out += "}";
  }
  return out + "]}";
}

std::string UnreadableJson(const std::string& file, const std::string& reason) {
  return "{\"file\": " + Quoted(file) + ", \"error\": " + Quoted(reason) + "}";
}
