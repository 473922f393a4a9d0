// The checker's findings, one record each, as a glTF validator reports issues: a stable code
// that pipelines can rely on, a severity, a one-line message (what was measured and what to
// do) and the figures behind it. A check that cannot decide says so in an info finding, so
// that "checked and fine" (no finding) and "could not tell" always look different.
#pragma once

#include <string>
#include <vector>

enum class Severity { Error, Warning, Info };

// One named number behind a finding: a share of texels, a mean, a count.
struct Figure {
  std::string name;
  double value = 0;
};

struct Finding {
  std::string code;
  Severity severity = Severity::Info;
  std::string message;
  std::vector<Figure> figures;
  // Where in a file the finding applies (a mesh of a model); empty for a whole image.
  std::string where;
};

// A finding from its parts; where names the part of a file it applies to (empty for a whole
// image).
Finding MakeFinding(const char* code, Severity severity, std::string message,
                    std::vector<Figure> figures, std::string where = {});

// Text made as printf makes it, of any length (a message's figures and file names).
std::string FormatText(const char* format, ...);

// The text as a JSON string, quotes included: escaped as JSON requires, valid UTF-8 kept and
// any other byte replaced.
std::string JsonQuoted(const std::string& text);

// "error", "warning" or "info".
const char* SeverityName(Severity severity);

// Whether any finding is a warning or an error (an info finding is not a fault).
bool HasFault(const std::vector<Finding>& findings);

// One line of text: severity, code and message ("warning green-down: ...").
std::string FindingLine(const Finding& finding);

// Figures that belong to a file rather than to one finding, printed after its findings as
// "name": {"figure": number, ...}.
struct FigureGroup {
  std::string name;
  std::vector<Figure> figures;
};

// One JSON object on one line for a file: {"file", "kind", "findings": [{"code", "severity",
// "message", then each figure as a number}], then each group}; "where" is added to a finding
// that has one.
std::string FindingsJson(const std::string& file, const char* kind,
                         const std::vector<Finding>& findings,
                         const std::vector<FigureGroup>& groups = {});

// One JSON object on one line for a file that could not be read: {"file", "error"}.
std::string UnreadableJson(const std::string& file, const std::string& reason);
