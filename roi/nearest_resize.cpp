#include "roi/nearest_resize.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define MOVRA_X86_SIMD 1
#else
#define MOVRA_X86_SIMD 0
#endif

cv::Size NearestScaledSize(const cv::Size& source, double scale) {
    if (!(scale > 0.0) || !std::isfinite(scale) || source.width <= 0 || source.height <= 0) {
        return {0, 0};
    }
    const double w = std::nearbyint(source.width * scale);
    const double h = std::nearbyint(source.height * scale);
    if (!(w >= 1.0) || !(h >= 1.0) || w > INT_MAX || h > INT_MAX) {
        return {0, 0};
    }
    return {static_cast<int>(w), static_cast<int>(h)};
}

namespace {

// Source index of every destination index, as cv::resize's nearest-neighbour path maps it.
std::vector<int> SourceIndexes(int dstLength, int srcLength, double scale) {
    std::vector<int> index(static_cast<size_t>(dstLength));
    const double inverse = 1.0 / scale;
    for (int i = 0; i < dstLength; ++i) {
        index[static_cast<size_t>(i)] =
            std::min(static_cast<int>(std::floor(i * inverse)), srcLength - 1);
    }
    return index;
}

template <typename Pixel>
void GatherRow(const uchar* src, uchar* dst, const int* offset, int width) {
    auto* d = reinterpret_cast<Pixel*>(dst);
    for (int x = 0; x < width; ++x) {
        std::memcpy(d + x, src + offset[x], sizeof(Pixel));
    }
}

// Three-byte pixels moved as four-byte words: each store's fourth byte is overwritten by the
// next pixel, and each load's fourth byte belongs to the next source pixel. Output pixels from
// `wideEnd` on sample the source's last column, whose load would read past the image, and go
// byte by byte, as does the last output pixel. `next`, when set, is the next source row to be
// sampled: one cache line of it is requested every `every` pixels (about one line's worth of
// samples) while this row is gathered, since below zoom 1 every new row would otherwise start
// with a wait on memory.
void GatherRow3(const uchar* src, uchar* dst, const int* offset, int width, int wideEnd,
                const uchar* next, int every) {
    const int wide = std::min(wideEnd, width - 1);
    int x = 0;
    if (next != nullptr) {
        for (; x + every <= wide; x += every) {
            __builtin_prefetch(next + offset[x + every - 1]);
            for (int k = x; k < x + every; ++k) {
                uint32_t v;
                std::memcpy(&v, src + offset[k], 4);
                std::memcpy(dst + 3 * k, &v, 4);
            }
        }
    }
    for (; x < wide; ++x) {
        uint32_t v;
        std::memcpy(&v, src + offset[x], 4);
        std::memcpy(dst + 3 * x, &v, 4);
    }
    for (; x < width; ++x) {
        std::memcpy(dst + 3 * x, src + offset[x], 3);
    }
}

// One-channel samples coloured by `colour`, each written as a four-byte word whose fourth
// byte the next pixel overwrites; the row's last pixel as three bytes, so no write leaves the
// row (bands of rows are written by different threads). `next` and `every` as for GatherRow3.
template <typename T, typename Colour>
void GatherColourRow(const uchar* src, uchar* dst, const int* offset, int width,
                     const Colour& colour, const uchar* next, int every) {
    const auto one = [&](int x) {
        T v;
        std::memcpy(&v, src + offset[x], sizeof(T));
        const std::uint32_t word = colour(v);
        std::memcpy(dst + 3 * x, &word, 4);
    };
    const int wide = width - 1;
    int x = 0;
    if (next != nullptr) {
        for (; x + every <= wide; x += every) {
            __builtin_prefetch(next + offset[x + every - 1]);
            for (int k = x; k < x + every; ++k) {
                one(k);
            }
        }
    }
    for (; x < wide; ++x) {
        one(x);
    }
    if (width > 0) {
        T v;
        std::memcpy(&v, src + offset[wide], sizeof(T));
        const std::uint32_t word = colour(v);
        std::memcpy(dst + 3 * wide, &word, 3);
    }
}

// The colour of a sample: its table entry, or with no table its 8-bit value in B, G and R (the
// fourth byte is overwritten by the next pixel).
template <typename T>
struct TableColour {
    const std::uint32_t* table;
    int bias;
    std::uint32_t operator()(T v) const {
        std::uint32_t word;
        std::memcpy(&word, table + (static_cast<int>(v) + bias), 4);
        return word;
    }
};
struct GreyColour {
    std::uint32_t operator()(std::uint8_t v) const { return v * 0x010101u; }
};

#if MOVRA_X86_SIMD
// ColourRow's first pixels, eight at a time with AVX2's gather (about twice as fast as one
// lookup per pixel): their eight table entries are packed into 24 bytes and written as two
// 16-byte stores, whose last four bytes the next step or the scalar tail overwrites. Returns how
// many pixels were written; pixels up to x + 10 must exist for each step's spill to stay in
// the row.
template <typename T>
__attribute__((target("avx2"))) int ColourRowAvx2(const T* s, uchar* dst, int width,
                                                  const std::uint32_t* table, int bias) {
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i offset = _mm256_set1_epi32(bias);
    int x = 0;
    for (; x + 10 <= width; x += 8) {
        __m256i index;
        if constexpr (sizeof(T) == 1) {
            index = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + x)));
        } else if constexpr (std::is_signed_v<T>) {
            index = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)));
        } else {
            index = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)));
        }
        index = _mm256_add_epi32(index, offset);
        const __m256i colours = _mm256_shuffle_epi8(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), index, 4), pack);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x),
                         _mm256_castsi256_si128(colours));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x + 12),
                         _mm256_extracti128_si256(colours, 1));
    }
    return x;
}
#endif

// GatherColourRow of a row taken pixel for pixel (zoom 1): no offsets to read, and nothing to
// fetch ahead, since the rows follow each other in memory.
template <typename T>
void ColourRow(const uchar* src, uchar* dst, int width, const SampleColours& colours) {
    const std::uint32_t* table = colours.table;
    const int bias = colours.bias;
    const T* s = reinterpret_cast<const T*>(src);
    const int wide = width - 1;
    int x = 0;
#if MOVRA_X86_SIMD
    static const bool avx2 = cv::checkHardwareSupport(CV_CPU_AVX2);
    if (avx2) {
        x = ColourRowAvx2(s, dst, width, table, bias);
    }
#endif
    for (; x < wide; ++x) {
        std::memcpy(dst + 3 * x, table + (static_cast<int>(s[x]) + bias), 4);
    }
    if (width > 0) {
        std::memcpy(dst + 3 * wide, table + (static_cast<int>(s[wide]) + bias), 3);
    }
}

// Calls f with a value of the sample type of a one-channel source the colour table takes:
// 8-bit, 16-bit unsigned, or 16-bit signed.
template <class F>
void WithSampleType(int depth, F&& f) {
    if (depth == CV_8U) {
        f(std::uint8_t{});
    } else if (depth == CV_16U) {
        f(std::uint16_t{});
    } else {
        f(std::int16_t{});
    }
}

void GatherRowAny(const uchar* src, uchar* dst, const int* offset, int width, size_t pixelSize) {
    for (int x = 0; x < width; ++x) {
        std::memcpy(dst + x * pixelSize, src + offset[x], pixelSize);
    }
}

class NearestRows : public cv::ParallelLoopBody {
  public:
    NearestRows(const cv::Mat& image, const cv::Rect& region, cv::Mat& dst,
                const std::vector<int>& offset, const std::vector<int>& yIndex, int wideEnd,
                int prefetchEvery, const SampleColours* colours, bool wholeRows)
        : image_(image), region_(region), dst_(dst), offset_(offset), yIndex_(yIndex),
          wideEnd_(wideEnd), prefetchEvery_(prefetchEvery), colours_(colours),
          wholeRows_(wholeRows) {}

    void operator()(const cv::Range& rows) const override {
        const size_t pixelSize = image_.elemSize();
        const int width = dst_.cols;
        const size_t rowBytes = dst_.elemSize() * static_cast<size_t>(width);
        for (int y = rows.start; y < rows.end; ++y) {
            uchar* d = dst_.ptr(y);
            const int sy = yIndex_[static_cast<size_t>(y)];
            // Magnified rows repeat, and a repeated row is one memcpy.
            if (y > rows.start && sy == yIndex_[static_cast<size_t>(y) - 1]) {
                std::memcpy(d, dst_.ptr(y - 1), rowBytes);
                continue;
            }
            const uchar* s =
                image_.ptr(region_.y + sy) + static_cast<size_t>(region_.x) * pixelSize;
            const int* offset = offset_.data();
            if (colours_ != nullptr && colours_->table == nullptr) {
                GatherColourRow<uint8_t>(s, d, offset, width, GreyColour{}, NextRow(y, rows),
                                         prefetchEvery_);
                continue;
            }
            if (colours_ != nullptr && wholeRows_) {
                WithSampleType(image_.depth(), [&](auto sample) {
                    ColourRow<decltype(sample)>(s, d, width, *colours_);
                });
                continue;
            }
            if (colours_ != nullptr) {
                const uchar* next = NextRow(y, rows);
                WithSampleType(image_.depth(), [&](auto sample) {
                    using T = decltype(sample);
                    GatherColourRow<T>(s, d, offset, width,
                                       TableColour<T>{colours_->table, colours_->bias}, next,
                                       prefetchEvery_);
                });
                continue;
            }
            switch (pixelSize) {
                case 1:
                    GatherRow<uint8_t>(s, d, offset, width);
                    break;
                case 2:
                    GatherRow<uint16_t>(s, d, offset, width);
                    break;
                case 3:
                    GatherRow3(s, d, offset, width, wideEnd_, NextRow(y, rows), prefetchEvery_);
                    break;
                case 4:
                    GatherRow<uint32_t>(s, d, offset, width);
                    break;
                default:
                    GatherRowAny(s, d, offset, width, pixelSize);
                    break;
            }
        }
    }

  private:
    // The next source row to be sampled in this band, or null: fetched while row y is
    // gathered, since below zoom 1 every row starts with a wait on memory otherwise.
    const uchar* NextRow(int y, const cv::Range& rows) const {
        const int sy = yIndex_[static_cast<size_t>(y)];
        for (int ny = y + 1; ny < rows.end; ++ny) {
            const int nsy = yIndex_[static_cast<size_t>(ny)];
            if (nsy != sy) {
                return image_.ptr(region_.y + nsy) +
                       static_cast<size_t>(region_.x) * image_.elemSize();
            }
        }
        return nullptr;
    }

    const cv::Mat& image_;
    const cv::Rect region_;
    cv::Mat& dst_;
    const std::vector<int>& offset_;
    const std::vector<int>& yIndex_;
    const int wideEnd_;
    const int prefetchEvery_;
    const SampleColours* colours_;
    // Every pixel of the region's rows is sampled once, in order.
    const bool wholeRows_;
};

}  // namespace

namespace {

// Gathers dst(y, x) = image(region.y + yIndex[y], region.x + xIndex[x]).
cv::Mat GatherNearest(const cv::Mat& image, const cv::Rect& region, const std::vector<int>& xIndex,
                      const std::vector<int>& yIndex, double scale,
                      const SampleColours* colours) {
    const cv::Size dstSize(static_cast<int>(xIndex.size()), static_cast<int>(yIndex.size()));
    const bool depthTaken = colours == nullptr || image.depth() == CV_8U ||
                            (colours->table != nullptr &&
                             (image.depth() == CV_16U || image.depth() == CV_16S));
    if (!depthTaken || (colours != nullptr && image.channels() != 1)) {
        return {};
    }
    cv::Mat dst(dstSize, colours != nullptr ? CV_8UC3 : image.type());
    const size_t pixelSize = image.elemSize();
    // Byte offsets within the source row, so the gathers do no multiplication.
    std::vector<int> offset(xIndex.size());
    int wideEnd = dstSize.width;
    bool wholeRows = xIndex.size() == static_cast<size_t>(region.width);
    for (size_t x = 0; x < xIndex.size(); ++x) {
        wholeRows = wholeRows && xIndex[x] == static_cast<int>(x);
        offset[x] = static_cast<int>(static_cast<size_t>(xIndex[x]) * pixelSize);
        if (region.x + xIndex[x] == image.cols - 1 && wideEnd == dstSize.width) {
            wideEnd = static_cast<int>(x);
        }
    }
    // Only the source rows and pixels that the sampling picks are read, so the cost follows
    // the output size. Bands of rows go to OpenCV's worker threads, as cv::resize sends them:
    // below zoom 1 the sampled pixels are scattered and reading them waits on memory.
    const double stripes = static_cast<double>(dst.total()) / (1 << 16);
    const int prefetchEvery = static_cast<int>(std::clamp(64.0 * scale / pixelSize, 1.0, 8.0));
    cv::parallel_for_(cv::Range(0, dstSize.height),
                      NearestRows(image, region, dst, offset, yIndex, wideEnd, prefetchEvery,
                                  colours, wholeRows),
                      stripes);
    return dst;
}

}  // namespace

cv::Mat ResizeRegionNearest(const cv::Mat& image, const cv::Rect& region, double scale,
                            const SampleColours* colours) {
    const cv::Size dstSize = NearestScaledSize(region.size(), scale);
    if (dstSize.empty() || image.empty()) {
        return {};
    }
    return GatherNearest(image, region, SourceIndexes(dstSize.width, region.width, scale),
                         SourceIndexes(dstSize.height, region.height, scale), scale, colours);
}

cv::Mat ResizeWindowNearest(const cv::Mat& image, double scale, const cv::Rect& window,
                            const SampleColours* colours) {
    if (image.empty() || window.empty() || !(scale > 0.0) || !std::isfinite(scale) ||
        window.x < 0 || window.y < 0) {
        return {};
    }
    const double inverse = 1.0 / scale;
    const auto indexes = [inverse](int start, int length, int srcLength) {
        std::vector<int> index(static_cast<size_t>(length));
        for (int i = 0; i < length; ++i) {
            index[static_cast<size_t>(i)] = std::min(
                static_cast<int>(std::min(std::floor((start + i) * inverse), 2147483647.0)),
                srcLength - 1);
        }
        return index;
    };
    return GatherNearest(image, cv::Rect(0, 0, image.cols, image.rows),
                         indexes(window.x, window.width, image.cols),
                         indexes(window.y, window.height, image.rows), scale, colours);
}
