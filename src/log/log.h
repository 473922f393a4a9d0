// The diagnostics log: a plain-text file of CR LF lines, opened and closed for every line
// so that each line is on disk when the call returns. Every file failure but one (see
// WriteLog) ends the process with a report on standard error and exit status 1.
#pragma once

#include <string>

// The log's path, backslashes standing for directory separators; relative to the working
// directory.
extern std::string LogFileName;

// Replaces LogFileName; touches no file.
void SetLogFileName(const char* name);

// What a system error code of a failed file operation on path means, as the log's report
// says it ("File not found.", "File access denied.", ...).
std::string FileErrorText(int error, const std::string& path);

// When set, a log that cannot be made because its folder is missing adds this line to the
// report: where the program expects to be started.
extern std::string (*LogMissingFolderHint)();

// Creates the log file, or empties it if it exists.
void ResetLog();

// Appends one line; with stamped true it starts with "[" ElapsedMs "]" and two spaces. A
// log that cannot be opened (deleted since ResetLog, say) is created anew first.
void WriteLog(const char* text, bool stamped);
