// Interpreter version test of the module's entry point, kept free of Python so it can be
// unit-tested.
#pragma once

#include <string>

// True when `runtime` (e.g. "3.13.1 (main, ...)") is the `compiled` major.minor ("3.13"),
// i.e. begins with it and is not followed by another digit (so "3.130" is refused).
[[nodiscard]] bool IsCompatiblePythonVersion(const char* runtime, const char* compiled);

// The ImportError text for an interpreter that fails the test above.
[[nodiscard]] std::string PythonVersionMismatchMessage(const char* compiled, const char* runtime);
