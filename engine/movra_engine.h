// MovraEngine: one held image and GUI-free operations on it.
// Every operation that OpenCV refuses throws cv::Exception and leaves the held image unchanged;
// arguments that cannot make sense for the image throw std::invalid_argument before any work.
// Calls from several threads are serialised by the engine: each sees the image whole.
#pragma once

#include <opencv2/core.hpp>

#include <mutex>
#include <string>

class MovraEngine {
  public:
    MovraEngine() = default;
    MovraEngine(const MovraEngine&) = delete;
    MovraEngine& operator=(const MovraEngine&) = delete;

    // Copies the pixels of `mat` (which may be a view of caller memory).
    void SetMat(const cv::Mat& mat);
    // A header sharing the held pixels: they are never written in place while it lives (the
    // operations swap in new buffers, a load reuses only an unshared one).
    [[nodiscard]] cv::Mat GetMat() const;
    [[nodiscard]] bool HasImage() const;
    // (rows, cols, channels); all zero when empty.
    [[nodiscard]] cv::Vec3i GetImageSize() const;
    void Clear();

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
    mutable std::mutex m_mutex;
    cv::Mat m_mat;
};
