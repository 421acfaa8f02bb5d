#include "imageio/jxl_decoder.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <opencv2/imgproc.hpp>

#include <memory>

#include "imageio/file_bytes.h"
#include "imageio/file_policy.h"
#include "imageio/path_utils.h"
#include "imageio/trace.h"

namespace {

struct DecoderDeleter {
    void operator()(JxlDecoder* dec) const { JxlDecoderDestroy(dec); }
};
struct RunnerDeleter {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

}  // namespace

cv::Mat LoadJxlFromVector(std::vector<std::uint8_t>& bytes, bool keepDepth) {
    return LoadJxlFromBytes(bytes.data(), bytes.size(), keepDepth);
}

cv::Mat LoadJxlFromBytes(const std::uint8_t* data, std::size_t size, bool keepDepth) {
    // Declared first so that it is destroyed last: the decoder still refers to the runner.
    std::unique_ptr<void, RunnerDeleter> runner(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
    if (!runner || !dec ||
        JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS) {
        ReportLine("JXL decode error or unexpected input state.");
        return {};
    }
    JxlDecoderSetInput(dec.get(), data, size);
    JxlDecoderCloseInput(dec.get());

    JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlBasicInfo info{};
    // The decoder writes straight into the result matrix: no further copy is needed.
    cv::Mat pixels;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        switch (status) {
            case JXL_DEC_ERROR:
            case JXL_DEC_NEED_MORE_INPUT:
                ReportLine("JXL decode error or unexpected input state.");
                return {};
            case JXL_DEC_SUCCESS:
                ReportLine("Failed to decode JXL image.");
                return {};
            case JXL_DEC_BASIC_INFO:
                if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS) {
                    ReportLine("Failed to get JXL basic info.");
                    return {};
                }
                if (info.num_color_channels == 1) {
                    format.num_channels = 1;
                } else if (info.num_color_channels != 3) {
                    ReportLine("Unsupported number of color channels: " +
                               std::to_string(info.num_color_channels));
                    return {};
                }
                if (keepDepth && info.exponent_bits_per_sample > 0) {
                    // Float samples (16- or 32-bit) as 32-bit floats, the values as coded.
                    format.data_type = JXL_TYPE_FLOAT;
                } else if (keepDepth && info.bits_per_sample > 8) {
                    format.data_type = JXL_TYPE_UINT16;
                }
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                size_t size = 0;
                if (JxlDecoderImageOutBufferSize(dec.get(), &format, &size) != JXL_DEC_SUCCESS) {
                    ReportLine("Failed to get image buffer size.");
                    return {};
                }
                // libjxl applies the stored orientation, so a transposing one (5 to 8) turns the
                // coded xsize x ysize into an ysize-wide image.
                const bool transposed = info.orientation >= JXL_ORIENT_TRANSPOSE;
                const int width = static_cast<int>(transposed ? info.ysize : info.xsize);
                const int height = static_cast<int>(transposed ? info.xsize : info.ysize);
                const int depth = format.data_type == JXL_TYPE_FLOAT    ? CV_32F
                                  : format.data_type == JXL_TYPE_UINT16 ? CV_16U
                                                                        : CV_8U;
                pixels.create(height, width, CV_MAKETYPE(depth, format.num_channels));
                if (size != pixels.total() * pixels.elemSize() ||
                    JxlDecoderSetImageOutBuffer(dec.get(), &format, pixels.data, size) !=
                        JXL_DEC_SUCCESS) {
                    ReportLine("Failed to set image out buffer.");
                    return {};
                }
                // The codestream's own values (0 .. 2^bits - 1) rather than libjxl's rescaling
                // to the whole 16-bit range, as deep HEIF and 16-bit PNG give theirs.
                const JxlBitDepth own = {JXL_BIT_DEPTH_FROM_CODESTREAM, 0, 0};
                if (depth == CV_16U &&
                    JxlDecoderSetImageOutBitDepth(dec.get(), &own) != JXL_DEC_SUCCESS) {
                    ReportLine("Failed to set image out bit depth.");
                    return {};
                }
                break;
            }
            case JXL_DEC_FULL_IMAGE:
                if (pixels.channels() == 3) {
                    cv::cvtColor(pixels, pixels, cv::COLOR_RGB2BGR);
                }
                return pixels;
            default:
                break;
        }
    }
}

namespace jxl_utils {

cv::Mat jxl_to_cvmat(const std::string& path, bool keepDepth) {
    // A file the opening policy refuses leaves the bytes empty, which the decoder rejects like
    // any other unreadable input; a file cut while reading keeps what was read.
    const ImageFile file(path);
    std::size_t got = 0;
    const FileBytes bytes = ReadWholeFile(file, &got);
    return LoadJxlFromBytes(bytes.data(), got, keepDepth);
}

cv::Mat jxl_to_cvmat(const std::wstring& path) {
    return jxl_to_cvmat(Utf8PathOrThrow(path, "jxl_to_cvmat"));
}

}  // namespace jxl_utils
