#include <gtest/gtest.h>

#include <jxl/encode.h>

#include <opencv2/core.hpp>

#include <vector>

#include "imageio/jxl_decoder.h"

namespace {

// Lossless JPEG XL of an RGB or grey 8-bit matrix (channels in R, G, B order) with the given
// orientation field.
std::vector<std::uint8_t> EncodeLossless(const cv::Mat& pixels, JxlOrientation orientation) {
    JxlEncoder* enc = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = static_cast<uint32_t>(pixels.cols);
    info.ysize = static_cast<uint32_t>(pixels.rows);
    info.bits_per_sample = 8;
    info.num_color_channels = static_cast<uint32_t>(pixels.channels());
    info.uses_original_profile = JXL_TRUE;
    info.orientation = orientation;
    EXPECT_EQ(JxlEncoderSetBasicInfo(enc, &info), JXL_ENC_SUCCESS);
    JxlColorEncoding color;
    JxlColorEncodingSetToSRGB(&color, pixels.channels() == 1 ? JXL_TRUE : JXL_FALSE);
    EXPECT_EQ(JxlEncoderSetColorEncoding(enc, &color), JXL_ENC_SUCCESS);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc, nullptr);
    EXPECT_EQ(JxlEncoderSetFrameLossless(settings, JXL_TRUE), JXL_ENC_SUCCESS);
    const JxlPixelFormat format = {static_cast<uint32_t>(pixels.channels()), JXL_TYPE_UINT8,
                                   JXL_NATIVE_ENDIAN, 0};
    cv::Mat packed = pixels.clone();
    EXPECT_EQ(
        JxlEncoderAddImageFrame(settings, &format, packed.data, packed.total() * packed.elemSize()),
        JXL_ENC_SUCCESS);
    JxlEncoderCloseInput(enc);
    std::vector<std::uint8_t> out(4096);
    uint8_t* next = out.data();
    size_t avail = out.size();
    JxlEncoderStatus status;
    while ((status = JxlEncoderProcessOutput(enc, &next, &avail)) == JXL_ENC_NEED_MORE_OUTPUT) {
        const size_t used = static_cast<size_t>(next - out.data());
        out.resize(out.size() * 2);
        next = out.data() + used;
        avail = out.size() - used;
    }
    EXPECT_EQ(status, JXL_ENC_SUCCESS);
    out.resize(static_cast<size_t>(next - out.data()));
    JxlEncoderDestroy(enc);
    return out;
}

cv::Mat Sample(int type) {
    cv::Mat m(5, 8, type);
    cv::randu(m, 0, 256);
    return m;
}

}  // namespace

TEST(JxlDecoder, ColourComesOutInBgrOrder) {
    const cv::Mat rgb = Sample(CV_8UC3);
    auto bytes = EncodeLossless(rgb, JXL_ORIENT_IDENTITY);
    const cv::Mat bgr = LoadJxlFromVector(bytes);
    ASSERT_EQ(bgr.type(), CV_8UC3);
    ASSERT_EQ(bgr.size(), rgb.size());
    for (int y = 0; y < rgb.rows; ++y) {
        for (int x = 0; x < rgb.cols; ++x) {
            const cv::Vec3b a = rgb.at<cv::Vec3b>(y, x), b = bgr.at<cv::Vec3b>(y, x);
            ASSERT_EQ(a[0], b[2]);
            ASSERT_EQ(a[1], b[1]);
            ASSERT_EQ(a[2], b[0]);
        }
    }
}

TEST(JxlDecoder, TransposingOrientationGivesTheRotatedImage) {
    // A 8x5 image stored with "rotate 90 clockwise" is shown 5 wide and 8 high.
    const cv::Mat grey = Sample(CV_8UC1);
    auto bytes = EncodeLossless(grey, JXL_ORIENT_ROTATE_90_CW);
    const cv::Mat shown = LoadJxlFromVector(bytes);
    ASSERT_EQ(shown.type(), CV_8UC1);
    ASSERT_EQ(shown.cols, grey.rows);
    ASSERT_EQ(shown.rows, grey.cols);
    cv::Mat expected;
    cv::rotate(grey, expected, cv::ROTATE_90_CLOCKWISE);
    EXPECT_EQ(cv::norm(shown, expected, cv::NORM_INF), 0.0);
}

TEST(JxlDecoder, TruncatedAndEmptyInputPrintOneLineAndGiveEmpty) {
    auto whole = EncodeLossless(Sample(CV_8UC3), JXL_ORIENT_IDENTITY);
    for (size_t cut : {size_t{0}, size_t{1}, size_t{12}, whole.size() / 2, whole.size() - 1}) {
        std::vector<std::uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
        testing::internal::CaptureStderr();
        const cv::Mat m = LoadJxlFromVector(part);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(m.empty()) << "cut at " << cut;
        // libjxl may add its own diagnostic line first; ours is the last one.
        EXPECT_NE(err.find("JXL decode error or unexpected input state.\n"), std::string::npos)
            << "cut at " << cut << ": " << err;
    }
}
