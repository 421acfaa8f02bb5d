// The program's one debug-trace line: "[MovraModule-Debug] <msg>" on standard error, flushed.
#pragma once

#include <string>

void TraceLinux(const char* msg);

// One diagnostic line on standard error, as the decoders report failures: the text, a newline,
// then a flush so the line is out before the caller goes on.
void ReportLine(const std::string& line);

// Today's local date as "log_YYYY-M-D"-style file name: "log_%d-%02d-%02d.txt".
std::string GetLogFilenameByCurrentDate();
