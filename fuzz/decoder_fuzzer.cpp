// libFuzzer target: the module's image decoders on memory buffers. The leading bytes choose the
// decoder as a file's contents would: a JPEG XL signature goes to the JPEG XL decoder, an ISO
// base media "ftyp" box to the HEIF decoder, anything else to OpenCV's imdecode path, each
// through the same conversion code that decodes files.
//
// A decoder may fail only by an empty matrix or by cv::Exception (OpenCV's checks, which reach
// Python as RuntimeError); any other exception, a crash, a sanitizer report or a result that is
// neither empty nor an 8-bit image of the documented shape is a finding.
#include <jxl/decode.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imageio/heif_decoder.h"
#include "imageio/jxl_decoder.h"
#include "imageio/unicode_io.h"

namespace {

enum class Route { JpegXl, Heif, OpenCV };

Route RouteFor(const std::uint8_t* data, std::size_t size) {
    const JxlSignature sig = JxlSignatureCheck(data, size);
    if (sig == JXL_SIG_CODESTREAM || sig == JXL_SIG_CONTAINER) {
        return Route::JpegXl;
    }
    if (size >= 8 && std::memcmp(data + 4, "ftyp", 4) == 0) {
        return Route::Heif;
    }
    return Route::OpenCV;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "decoder_fuzzer: %s\n", what);
    std::abort();
}

// HEIF and JPEG XL give 8-bit grey, BGR or BGRA; OpenCV with IMREAD_UNCHANGED may also give
// deeper samples, but never a matrix without pixels or with more than four channels.
void CheckResult(const cv::Mat& mat, bool eightBitOnly) {
    if (mat.empty()) {
        return;
    }
    if (mat.dims != 2 || mat.rows < 1 || mat.cols < 1 || mat.data == nullptr) {
        Fail("non-empty result without a 2-D pixel area");
    }
    if (mat.channels() < 1 || mat.channels() > 4) {
        Fail("result with an unexpected channel count");
    }
    if (eightBitOnly && mat.depth() != CV_8U) {
        Fail("decoder result is not 8-bit");
    }
    // Read every byte so that uninitialised or freed pixel memory surfaces under the sanitizers.
    std::uint64_t sum = 0;
    for (int y = 0; y < mat.rows; ++y) {
        const std::uint8_t* row = mat.ptr<std::uint8_t>(y);
        for (std::size_t x = 0; x < mat.cols * mat.elemSize(); ++x) {
            sum += row[x];
        }
    }
    volatile std::uint64_t sink = sum;
    (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // OpenCV's own thread pool gains nothing on images this small and costs a hand-off to its
    // workers for every input.
    cv::setNumThreads(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        switch (RouteFor(data, size)) {
            case Route::JpegXl: {
                std::vector<std::uint8_t> bytes(data, data + size);
                const cv::Mat mat = LoadJxlFromVector(bytes);
                CheckResult(mat, true);
                if (!mat.empty() && mat.channels() == 4) {
                    Fail("JPEG XL result with alpha");
                }
                break;
            }
            case Route::Heif:
                CheckResult(heif_utils::heif_memory_to_cvmat(data, size), true);
                break;
            case Route::OpenCV: {
                const std::vector<uchar> bytes(data, data + size);
                // Both flag sets the module uses: the file's own layout and 3-channel colour.
                for (const int flags : {cv::IMREAD_UNCHANGED, cv::IMREAD_COLOR}) {
                    cv::Mat mat;
                    const bool ok = DecodeImageBytes(bytes, mat, flags);
                    if (ok == mat.empty()) {
                        Fail("DecodeImageBytes result disagrees with the matrix");
                    }
                    CheckResult(mat, false);
                    if (ok && flags == cv::IMREAD_COLOR &&
                        (mat.channels() != 3 || mat.depth() != CV_8U)) {
                        Fail("IMREAD_COLOR did not give 8-bit BGR");
                    }
                }
                break;
            }
        }
    } catch (const cv::Exception&) {
        // OpenCV's documented failure (for example its limit on image dimensions).
    }
    return 0;
}
