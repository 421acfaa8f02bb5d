// ChannelSums: per channel sum, sum of squares, minimum and maximum of 8-bit pixels with
// interleaved channels, added a run at a time; exact integers, in one pass over the pixels.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

class ChannelSums {
  public:
    // Any channel count of 1 or more.
    explicit ChannelSums(int channels);

    // `count` pixels of the channel count, one after the other from `pixels`.
    void Add(const uchar* pixels, int count);

    // Over every pixel added; 255 and 0 for min and max while there is none.
    [[nodiscard]] std::uint64_t Sum(int channel) const;
    [[nodiscard]] std::uint64_t SumSq(int channel) const;
    [[nodiscard]] int Min(int channel) const;
    [[nodiscard]] int Max(int channel) const;

  private:
    // Lane j holds the samples of channel j % channels: 16 pixels' worth for up to four
    // channels, so that a run is one flat stream of bytes the compiler adds a vector at a time.
    int m_channels;
    int m_lanes;
    std::vector<std::uint64_t> m_sum, m_sumSq;
    std::vector<std::uint8_t> m_min, m_max;
};
