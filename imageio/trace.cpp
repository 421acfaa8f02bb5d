#include "imageio/trace.h"

#include <cstdio>
#include <ctime>

void TraceLinux(const char* msg) {
    std::fprintf(stderr, "[MovraModule-Debug] %s\n", msg ? msg : "");
    std::fflush(stderr);
}

void ReportLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string GetLogFilenameByCurrentDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return {};
    }
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "log_%d-%02d-%02d.txt", local.tm_year + 1900,
                          local.tm_mon + 1, local.tm_mday);
    if (n <= 0) {
        return {};
    }
    return std::string(buf, static_cast<size_t>(n));
}
