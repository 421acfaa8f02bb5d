// Whether a JPEG file's decoder reports damage (a premature end, corrupt entropy data): such a
// file still decodes, with the missing part filled in, and only the decoder's warnings tell.
#pragma once

#include <string>

// True when libjpeg warns or fails while reading the file's whole scan data; false for a sound
// JPEG and for anything that is not a JPEG (by its first bytes) or that the opening policy
// refuses. Decodes at 1/8 scale: every entropy-coded byte is read, without the full-size work.
[[nodiscard]] bool JpegReportsDamage(const std::string& utf8Path);
