#include "module/version_check.h"

#include <cstring>

bool IsCompatiblePythonVersion(const char* runtime, const char* compiled) {
    if (runtime == nullptr || compiled == nullptr) {
        return false;
    }
    const size_t len = std::strlen(compiled);
    if (std::strncmp(runtime, compiled, len) != 0) {
        return false;
    }
    const char next = runtime[len];
    return !(next >= '0' && next <= '9');
}

std::string PythonVersionMismatchMessage(const char* compiled, const char* runtime) {
    return std::string("Python version mismatch: module was compiled for Python ") + compiled +
           ", but the interpreter version is incompatible: " + runtime + ".";
}
