#include "roi/roi_channel_sums.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks of one call's 32-bit lane sums: 32768 squares of 255 fit below 2^32 with room for a
// tail of one more per lane.
constexpr size_t kBlocksPerFlush = 32768;

// Adds `bytes` samples to lanes of width B. The lane sums live in locals for the loop, where
// nothing can alias them, which is what lets the compiler keep them in vector registers.
template <int B>
void AddLanes(const uchar* p, size_t bytes, std::uint64_t* sum, std::uint64_t* sumSq,
              std::uint8_t* min, std::uint8_t* max) {
    std::uint8_t lo[B], hi[B];
    std::memcpy(lo, min, B);
    std::memcpy(hi, max, B);
    while (bytes > 0) {
        std::uint32_t s[B] = {}, q[B] = {};
        const size_t blocks = std::min(bytes / B, kBlocksPerFlush);
        for (size_t k = 0; k < blocks; ++k, p += B) {
            for (int j = 0; j < B; ++j) {
                const std::uint8_t v = p[j];
                s[j] += v;
                q[j] += static_cast<std::uint16_t>(v * v);
                lo[j] = std::min(lo[j], v);
                hi[j] = std::max(hi[j], v);
            }
        }
        bytes -= blocks * B;
        if (bytes < B) {
            // The tail, shorter than a block, starts on a pixel: lane j is still channel j % cn.
            for (size_t j = 0; j < bytes; ++j) {
                const std::uint8_t v = p[j];
                s[j] += v;
                q[j] += static_cast<std::uint16_t>(v * v);
                lo[j] = std::min(lo[j], v);
                hi[j] = std::max(hi[j], v);
            }
            p += bytes;
            bytes = 0;
        }
        for (int j = 0; j < B; ++j) {
            sum[j] += s[j];
            sumSq[j] += q[j];
        }
    }
    std::memcpy(min, lo, B);
    std::memcpy(max, hi, B);
}

}  // namespace

ChannelSums::ChannelSums(int channels)
    : m_channels(channels), m_lanes(channels <= 4 ? 16 * channels : channels),
      m_sum(m_lanes, 0), m_sumSq(m_lanes, 0), m_min(m_lanes, 255), m_max(m_lanes, 0) {}

void ChannelSums::Add(const uchar* pixels, int count) {
    const size_t bytes = static_cast<size_t>(count) * m_channels;
    std::uint64_t* sum = m_sum.data();
    std::uint64_t* sumSq = m_sumSq.data();
    switch (m_lanes) {
        case 16:
            return AddLanes<16>(pixels, bytes, sum, sumSq, m_min.data(), m_max.data());
        case 32:
            return AddLanes<32>(pixels, bytes, sum, sumSq, m_min.data(), m_max.data());
        case 48:
            return AddLanes<48>(pixels, bytes, sum, sumSq, m_min.data(), m_max.data());
        case 64:
            return AddLanes<64>(pixels, bytes, sum, sumSq, m_min.data(), m_max.data());
        default:
            break;
    }
    for (size_t i = 0; i < bytes; ++i) {
        const size_t c = i % m_channels;
        const std::uint8_t v = pixels[i];
        m_sum[c] += v;
        m_sumSq[c] += static_cast<std::uint64_t>(v) * v;
        m_min[c] = std::min(m_min[c], v);
        m_max[c] = std::max(m_max[c], v);
    }
}

std::uint64_t ChannelSums::Sum(int channel) const {
    std::uint64_t total = 0;
    for (int j = channel; j < m_lanes; j += m_channels) {
        total += m_sum[j];
    }
    return total;
}

std::uint64_t ChannelSums::SumSq(int channel) const {
    std::uint64_t total = 0;
    for (int j = channel; j < m_lanes; j += m_channels) {
        total += m_sumSq[j];
    }
    return total;
}

int ChannelSums::Min(int channel) const {
    int lo = 255;
    for (int j = channel; j < m_lanes; j += m_channels) {
        lo = std::min(lo, int(m_min[j]));
    }
    return lo;
}

int ChannelSums::Max(int channel) const {
    int hi = 0;
    for (int j = channel; j < m_lanes; j += m_channels) {
        hi = std::max(hi, int(m_max[j]));
    }
    return hi;
}
