#include "imageio/file_info.h"

#include <jxl/decode.h>
#include <libheif/heif.h>

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imageio/exif_reader.h"
#include "imageio/file_bytes.h"
#include "imageio/file_policy.h"
#include "imageio/heif_file_source.h"
#include "imageio/image_dispatch.h"
#include "imageio/jpeg_exif.h"
#include "imageio/unicode_io.h"

namespace {

std::string FormatName(const std::string& ext) {
    static const std::pair<const char*, const char*> kFormats[] = {
        {"jpg", "JPEG"}, {"jpeg", "JPEG"}, {"png", "PNG"},   {"tif", "TIFF"},  {"tiff", "TIFF"},
        {"bmp", "BMP"},  {"jxl", "JXL"},   {"webp", "WebP"}, {"heic", "HEIF"}, {"heif", "HEIF"},
        {"pgm", "PNM"},  {"ppm", "PNM"},   {"pnm", "PNM"},
    };
    for (const auto& [extension, name] : kFormats) {
        if (ext == extension) {
            return name;
        }
    }
    return "Unknown";
}

void ReadHeif(const ImageFile& file, ImageFileInfo& info) {
    HeifFileSource source(file);  // outlives the context, which reads through it
    std::unique_ptr<heif_context, decltype(&heif_context_free)> ctx(heif_context_alloc(),
                                                                    &heif_context_free);
    if (!ctx || source.ReadInto(ctx.get()).code != heif_error_Ok) {
        return;
    }
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(ctx.get(), &rawHandle).code != heif_error_Ok ||
        rawHandle == nullptr) {
        return;
    }
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, &heif_image_handle_release);
    info.width = heif_image_handle_get_width(handle.get());
    info.height = heif_image_handle_get_height(handle.get());
    info.channels = heif_image_handle_has_alpha_channel(handle.get()) ? 4 : 3;
    const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    info.bitDepth = lumaBits > 0 ? lumaBits : 8;

    if (heif_image_handle_get_number_of_metadata_blocks(handle.get(), "Exif") < 1) {
        return;
    }
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) != 1) {
        return;
    }
    const std::size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    if (size < 9) {
        return;
    }
    std::vector<std::uint8_t> exif(size);
    if (heif_image_handle_get_metadata(handle.get(), id, exif.data()).code == heif_error_Ok) {
        ReadExif(exif.data(), exif.size(), info);
    }
}

void ReadJxl(const ImageFile& file, ImageFileInfo& info) {
    std::size_t got = 0;
    const FileBytes bytes = ReadWholeFile(file, &got);
    std::unique_ptr<JxlDecoder, decltype(&JxlDecoderDestroy)> dec(JxlDecoderCreate(nullptr),
                                                                  &JxlDecoderDestroy);
    if (!dec || JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec.get(), bytes.data(), got) != JXL_DEC_SUCCESS) {
        return;
    }
    JxlDecoderCloseInput(dec.get());
    // With the input closed and only basic info subscribed, the decoder answers with basic
    // info, success, an error or a need for more input; the bound only guards against a
    // decoder that keeps reporting something else.
    for (int step = 0; step < 64; ++step) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo basic;
            if (JxlDecoderGetBasicInfo(dec.get(), &basic) == JXL_DEC_SUCCESS) {
                info.width = static_cast<int>(basic.xsize);
                info.height = static_cast<int>(basic.ysize);
                info.channels =
                    static_cast<int>(basic.num_color_channels) + (basic.alpha_bits != 0 ? 1 : 0);
                info.bitDepth = static_cast<int>(basic.bits_per_sample);
            }
            return;
        }
        if (status == JXL_DEC_SUCCESS || status == JXL_DEC_ERROR ||
            status == JXL_DEC_NEED_MORE_INPUT) {
            return;
        }
    }
}

int BitDepthOf(int depth) {
    switch (depth) {
        case CV_16U:
        case CV_16S:
            return 16;
        case CV_32F:
            return 32;
        case CV_64F:
            return 64;
        default:
            return 8;
    }
}

// Decodes the whole file (OpenCV reads no header alone); the image goes to `decoded` when the
// caller wants it.
void ReadWithOpenCv(const ImageFile& file, ImageFileInfo& info, cv::Mat* decoded) {
    const FileBytes bytes = ReadWholeFile(file);
    cv::Mat image;
    try {
        if (!DecodeImageBytes(bytes.data(), bytes.size(), image, cv::IMREAD_UNCHANGED)) {
            return;
        }
    } catch (const std::exception&) {
        return;  // OpenCV's own errors, e.g. a header announcing more pixels than it accepts
    }
    info.width = image.cols;
    info.height = image.rows;
    info.channels = image.channels();
    info.bitDepth = BitDepthOf(image.depth());
    if (decoded != nullptr) {
        *decoded = std::move(image);
    }
}

// Size from the frame header when the coding process is one whose header OpenCV's JPEG
// decoder turns into an 8-bit grey or BGR image as stored (IMREAD_UNCHANGED applies no EXIF
// rotation); anything unusual is left to a full decode.
bool ReadJpegFrameHeader(const std::vector<std::uint8_t>& head, ImageFileInfo& info) {
    const std::optional<JpegFrameHeader> frame = FindJpegFrameHeader(head.data(), head.size());
    if (!frame || frame->marker > 0xC2 || frame->precision != 8 || frame->width == 0 ||
        frame->height == 0 || (frame->components != 1 && frame->components != 3)) {
        return false;
    }
    info.width = frame->width;
    info.height = frame->height;
    info.channels = frame->components;
    info.bitDepth = 8;
    return true;
}

void ReadJpeg(const ImageFile& file, ImageFileInfo& info, cv::Mat* decoded) {
    std::vector<std::uint8_t> head;
    const std::size_t got = file.ReadHead(head, kJpegExifScanBytes);
    head.resize(got);
    if (!ReadJpegFrameHeader(head, info)) {
        ReadWithOpenCv(file, info, decoded);
    }
    if (head.size() < 4) {
        return;
    }
    if (const std::optional<ByteRange> exif = FindJpegExif(head.data(), head.size())) {
        ReadExif(head.data() + exif->begin, exif->end - exif->begin, info);
    }
}

}  // namespace

ImageFileInfo GetImageFileInfo(const std::string& path) { return GetImageFileInfo(path, nullptr); }

ImageFileInfo GetImageFileInfo(const std::string& path, cv::Mat* decoded) {
    if (decoded != nullptr) {
        decoded->release();
    }
    ImageFileInfo info;
    const std::string ext = LowerExtension(path);
    info.format = FormatName(ext);
    const ImageFile file(path);
    if (!file.IsOpen()) {
        return info;
    }
    switch (DecoderForPath(path)) {
        case ImageDecoder::Heif:
            ReadHeif(file, info);
            break;
        case ImageDecoder::JpegXl:
            ReadJxl(file, info);
            break;
        case ImageDecoder::OpenCV:
            if (ext == "jpg" || ext == "jpeg") {
                ReadJpeg(file, info, decoded);
            } else {
                ReadWithOpenCv(file, info, decoded);
            }
            break;
    }
    return info;
}
