// The program's one debug-trace line: "[MovraModule-Debug] <msg>" on standard error, flushed.
#pragma once

#include <string>

void TraceLinux(const char* msg);

// Today's local date as "log_YYYY-M-D"-style file name: "log_%d-%02d-%02d.txt".
std::string GetLogFilenameByCurrentDate();
