// Findings as text and as JSON lines. The JSON is written here: strings escaped as JSON
// requires, valid UTF-8 kept and any other byte replaced, figures as plain numbers (null for
// one that is not finite).
#include "check/findings.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0 for a byte that starts
// none (file names are bytes, and JSON is UTF-8).
std::size_t Utf8Sequence(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  const unsigned lead = byte(at);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  // No overlong forms, surrogates or code points past U+10FFFF.
  const unsigned second = byte(at + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return 0;
  return length;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      const std::size_t length = Utf8Sequence(text, at);
      if (length == 0) {
        out += "\\ufffd";  // a byte of no character: the replacement character
      } else {
        out += text.substr(at, length);
        at += length - 1;
      }
      continue;
    }
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
          out += c;
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

Finding MakeFinding(const char* code, Severity severity, std::string message,
                    std::vector<Figure> figures, std::string where) {
  Finding finding;
  finding.code = code;
  finding.severity = severity;
  finding.message = std::move(message);
  finding.figures = std::move(figures);
  finding.where = std::move(where);
  return finding;
}

std::string FormatText(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string JsonQuoted(const std::string& text) {
  return Quoted(text);
}

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
                         const std::vector<Finding>& findings,
                         const std::vector<FigureGroup>& groups) {
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
  out += "]";
  for (const FigureGroup& group : groups) {
    out += ", " + Quoted(group.name) + ": {";
    for (std::size_t i = 0; i < group.figures.size(); ++i)
      out +=
          (i ? ", " : "") + Quoted(group.figures[i].name) + ": " + Number(group.figures[i].value);
    out += "}";
  }
  return out + "}";
}

std::string UnreadableJson(const std::string& file, const std::string& reason) {
  return "{\"file\": " + Quoted(file) + ", \"error\": " + Quoted(reason) + "}";
}
