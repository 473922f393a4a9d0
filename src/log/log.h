// The diagnostics log: a plain-text file of CR LF lines, opened and closed for every line
// so that each line is on disk when the call returns.
#pragma once

#include <string>

extern std::string LogFileName;

void SetLogFileName(const char* name);

// Creates the log file, or empties it if it exists.
void ResetLog();

// Appends one line; with stamped true it starts with "[" ElapsedMs "]" and two spaces.
void WriteLog(const char* text, bool stamped);
