// MovraEngine: one held image and GUI-free operations on it.
// Every operation that OpenCV refuses throws cv::Exception and leaves the held image unchanged;
// arguments that cannot make sense for the image throw std::invalid_argument before any work.
#pragma once

#include <opencv2/core.hpp>

#include <string>

class MovraEngine {
  public:
    MovraEngine() = default;

    // Copies the pixels of `mat` (which may be a view of caller memory).
    void SetMat(const cv::Mat& mat);
    [[nodiscard]] const cv::Mat& GetMat() const { return m_mat; }
    [[nodiscard]] bool HasImage() const { return !m_mat.empty(); }
    // (rows, cols, channels); all zero when empty.
    [[nodiscard]] cv::Vec3i GetImageSize() const;
    void Clear() { m_mat.release(); }

    // Loads by extension (HEIF, JPEG XL, else OpenCV); a failed load empties the engine.
    [[nodiscard]] bool LoadImage(const std::string& utf8Path, int flags);
    // Encodes by extension (PNG without one); false when empty or the file cannot be written.
    [[nodiscard]] bool SaveImage(const std::string& utf8Path) const;

    void ConvertToGray();
    // Refuses a result of more than kMaxImageBytes (the file policy's limit).
    void Resize(int width, int height, int interpolation);
    // Refuses a kernel (given, or derived from sigma) wider than twice the larger side: a
    // wider one blurs no further and can take minutes or exhaust memory.
    void GaussianBlur(int kernelSize, double sigma);
    // Single-channel 0/255 edge image; empty for an empty or two-channel image.
    [[nodiscard]] cv::Mat Canny(double threshold1, double threshold2) const;

  private:
    cv::Mat m_mat;
};
