#include "imageio/heif_decoder.h"

#include <libheif/heif.h>

#include <opencv2/imgproc.hpp>

#include <mutex>
#include <string>
#include <vector>

#include "imageio/file_policy.h"
#include "imageio/heif_file_source.h"
#include "imageio/path_utils.h"
#include "imageio/trace.h"

namespace heif_utils {

namespace {

// libheif's texts may end in (or hold) line breaks; each failure must stay one line.
std::string OneLine(const char* message) {
    std::string text = message ? message : "";
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The HEVC and AV1 decoders are plugins that libheif loads only in heif_init(). It is reference
// counted and kept for the life of the process: calling heif_deinit() from a static destructor
// after exit() is unsafe, and reloading the plugins for every file would be wasted work.
void EnsureHeifInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

// Releases what was obtained, in the order image, handle, context.
struct HeifResources {
    heif_context* ctx = nullptr;
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;

    HeifResources() = default;
    HeifResources(const HeifResources&) = delete;
    HeifResources& operator=(const HeifResources&) = delete;
    ~HeifResources() {
        if (image) heif_image_release(image);
        if (handle) heif_image_handle_release(handle);
        if (ctx) heif_context_free(ctx);
    }
};

// Samples above 8 bits sit in 16-bit words holding 0 .. 2^bits - 1; they are scaled to 0 .. 255
// by their own range so that 10- and 12-bit images keep their brightness.
double ScaleTo8Bit(int bits) { return 255.0 / static_cast<double>((1 << bits) - 1); }

// One plane of `channel` as an 8-bit single-channel matrix: 8-bit planes are wrapped without a
// copy (valid while the heif_image lives), deeper planes are scaled into a new matrix.
bool ReadPlane(const heif_image* image, heif_channel channel, cv::Mat& plane) {
    const int width = heif_image_get_width(image, channel);
    const int height = heif_image_get_height(image, channel);
    size_t stride = 0;
    const uint8_t* data = heif_image_get_plane_readonly2(image, channel, &stride);
    const int bits = heif_image_get_bits_per_pixel_range(image, channel);
    if (data == nullptr || stride < 1 || width < 1 || height < 1 || bits < 1 || bits > 16) {
        return false;
    }
    const size_t sampleBytes = bits > 8 ? 2 : 1;
    if (stride < sampleBytes * static_cast<size_t>(width)) {
        return false;
    }
    auto* pixels = const_cast<uint8_t*>(data);  // only read: the matrix is never written
    if (bits <= 8) {
        plane = cv::Mat(height, width, CV_8UC1, pixels, stride);
    } else {
        cv::Mat(height, width, CV_16UC1, pixels, stride).convertTo(plane, CV_8U, ScaleTo8Bit(bits));
    }
    return true;
}

cv::Mat ConvertYCbCr(const heif_image* image) {
    ReportLine("YCbCr color space detected. Performing conversion.");
    const heif_channel channels[3] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    std::vector<cv::Mat> planes;
    for (int i = 0; i < 3; ++i) {
        cv::Mat plane;
        if (!ReadPlane(image, channels[i], plane)) {
            ReportLine("Error getting plane data for channel: " + std::to_string(i));
            return {};
        }
        planes.push_back(plane);
    }
    // 4:2:0 and 4:2:2 chroma planes are smaller than luma (rounded up for odd sizes).
    const cv::Size lumaSize = planes[0].size();
    for (int i = 1; i < 3; ++i) {
        if (planes[i].size() != lumaSize) {
            cv::Mat upsampled;
            cv::resize(planes[i], upsampled, lumaSize, 0, 0, cv::INTER_LINEAR);
            planes[i] = upsampled;
        }
    }
    cv::Mat ycrcb;
    cv::merge(std::vector<cv::Mat>{planes[0], planes[2], planes[1]}, ycrcb);
    cv::Mat bgr;
    cv::cvtColor(ycrcb, bgr, cv::COLOR_YCrCb2BGR);
    return bgr;
}

// Planar RGB, which libheif proposes for images coded with the identity matrix (for example
// lossless ones). The colour planes become B, G, R; an alpha plane is not read.
cv::Mat ConvertPlanarRgb(const heif_image* image) {
    const heif_channel channels[3] = {heif_channel_B, heif_channel_G, heif_channel_R};
    std::vector<cv::Mat> planes;
    for (heif_channel channel : channels) {
        cv::Mat plane;
        if (!ReadPlane(image, channel, plane)) {
            ReportLine("Error getting interleaved RGB image data.");
            return {};
        }
        planes.push_back(plane);
    }
    if (planes[1].size() != planes[0].size() || planes[2].size() != planes[0].size()) {
        ReportLine("Error getting interleaved RGB image data.");
        return {};
    }
    cv::Mat bgr;
    cv::merge(planes, bgr);
    return bgr;
}

cv::Mat ConvertInterleavedRgb(const heif_image* image, heif_chroma chroma, bool keepDepth) {
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    size_t stride = 0;
    const uint8_t* data = heif_image_get_plane_readonly2(image, heif_channel_interleaved, &stride);
    const bool hasAlpha = chroma == heif_chroma_interleaved_RGBA ||
                          chroma == heif_chroma_interleaved_RRGGBBAA_BE ||
                          chroma == heif_chroma_interleaved_RRGGBBAA_LE;
    const bool deep = chroma == heif_chroma_interleaved_RRGGBB_BE ||
                      chroma == heif_chroma_interleaved_RRGGBBAA_BE ||
                      chroma == heif_chroma_interleaved_RRGGBB_LE ||
                      chroma == heif_chroma_interleaved_RRGGBBAA_LE;
    const int channels = hasAlpha ? 4 : 3;
    const size_t rowBytes = static_cast<size_t>(width) * channels * (deep ? 2 : 1);
    if (data == nullptr || stride < 1 || width < 1 || height < 1 || stride < rowBytes) {
        ReportLine("Error getting interleaved RGB image data.");
        return {};
    }
    auto* pixels = const_cast<uint8_t*>(data);  // only read
    cv::Mat rgb;
    if (!deep) {
        rgb = cv::Mat(height, width, CV_8UC(channels), pixels, stride);
    } else {
        cv::Mat wide(height, width, CV_16UC(channels), pixels, stride);
        const bool bigEndian = chroma == heif_chroma_interleaved_RRGGBB_BE ||
                               chroma == heif_chroma_interleaved_RRGGBBAA_BE;
        if (bigEndian) {
            wide = wide.clone();
            for (int y = 0; y < height; ++y) {
                auto* row = wide.ptr<uint16_t>(y);
                for (int x = 0; x < width * channels; ++x) {
                    row[x] = static_cast<uint16_t>((row[x] >> 8) | (row[x] << 8));
                }
            }
        }
        int bits = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
        if (bits < 9 || bits > 16) {
            bits = 16;
        }
        if (keepDepth) {
            rgb = wide;  // the colour conversion below makes the result's own copy
        } else {
            wide.convertTo(rgb, CV_8U, ScaleTo8Bit(bits));
        }
    }
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, hasAlpha ? cv::COLOR_RGBA2BGRA : cv::COLOR_RGB2BGR);
    return bgr;
}

// Everything after the container was read: primary image, decode, conversion to 8 bits.
cv::Mat DecodePrimaryImage(HeifResources& res, bool keepDepth = false) {
    heif_error err = heif_context_get_primary_image_handle(res.ctx, &res.handle);
    if (err.code != heif_error_Ok || res.handle == nullptr) {
        ReportLine("Failed to get HEIC image handle: " + OneLine(err.message));
        return {};
    }
    heif_colorspace colorspace = heif_colorspace_undefined;
    heif_chroma chroma = heif_chroma_undefined;
    err = heif_image_handle_get_preferred_decoding_colorspace(res.handle, &colorspace, &chroma);
    if (err.code != heif_error_Ok) {
        ReportLine("Failed to get preferred decoding colorspace: " + OneLine(err.message));
        return {};
    }
    if (keepDepth && heif_image_handle_get_luma_bits_per_pixel(res.handle) > 8) {
        // libheif converts deep YCbCr to RGB at its own depth; OpenCV's 16-bit YCrCb
        // conversion would assume a 16-bit range.
        colorspace = heif_colorspace_RGB;
        chroma = heif_image_handle_has_alpha_channel(res.handle)
                     ? heif_chroma_interleaved_RRGGBBAA_LE
                     : heif_chroma_interleaved_RRGGBB_LE;
    }
    err = heif_decode_image(res.handle, &res.image, colorspace, chroma, nullptr);
    if (err.code != heif_error_Ok || res.image == nullptr) {
        ReportLine("Failed to decode HEIC image: " + OneLine(err.message));
        return {};
    }
    // The decoded image says what it really holds; it may differ from the request.
    colorspace = heif_image_get_colorspace(res.image);
    chroma = heif_image_get_chroma_format(res.image);
    switch (colorspace) {
        case heif_colorspace_YCbCr:
            return ConvertYCbCr(res.image);
        case heif_colorspace_RGB:
            if (chroma == heif_chroma_444 || chroma == heif_chroma_planar) {
                return ConvertPlanarRgb(res.image);
            }
            return ConvertInterleavedRgb(res.image, chroma, keepDepth);
        default:
            ReportLine("Unsupported color space.");
            return {};
    }
}

// False, after its one-line report, when libheif cannot give a context.
bool AllocateContext(HeifResources& res) {
    EnsureHeifInitialised();
    res.ctx = heif_context_alloc();
    if (res.ctx == nullptr) {
        ReportLine("Error allocating HEIF context.");
        return false;
    }
    return true;
}

}  // namespace

cv::Mat heif_to_cvmat(const std::string& path) { return heif_to_cvmat(path, false); }

cv::Mat heif_to_cvmat(const std::string& path, bool keepDepth) {
    // Outlive the context, which reads through them until it is freed.
    const ImageFile file(path);
    HeifFileSource source(file);
    HeifResources res;
    if (!AllocateContext(res)) {
        return {};
    }
    const heif_error err = source.ReadInto(res.ctx);
    if (err.code != heif_error_Ok) {
        ReportLine("Failed to read HEIC file: " + OneLine(err.message));
        return {};
    }
    return DecodePrimaryImage(res, keepDepth);
}

cv::Mat heif_memory_to_cvmat(const std::uint8_t* data, std::size_t size) {
    HeifResources res;
    if (!AllocateContext(res)) {
        return {};
    }
    // The bytes are only read while `res` lives; the result owns its pixels.
    const heif_error err = heif_context_read_from_memory_without_copy(res.ctx, data, size, nullptr);
    if (err.code != heif_error_Ok) {
        ReportLine("Failed to read HEIC data: " + OneLine(err.message));
        return {};
    }
    return DecodePrimaryImage(res);
}

cv::Mat heif_to_cvmat(const std::wstring& path) {
    return heif_to_cvmat(Utf8PathOrThrow(path, "heif_to_cvmat"));
}

}  // namespace heif_utils
