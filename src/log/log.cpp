// The diagnostics log. For now it only keeps the file name; writing comes with the log
// file itself.
#include "log/log.h"

std::string LogFileName = "system\\log.txt";

void SetLogFileName(const char* name) {
  LogFileName = name;
}

void ResetLog() {}

void WriteLog(const char*, bool) {}
