#include "roi/roi_set.h"

#include <algorithm>
#include <array>
#include <utility>

cv::Scalar ROISet::PaletteColor(int id) {
    // Distinct, saturated colours readable on grey and photographic images (B, G, R, A).
    static const std::array<cv::Scalar, 8> kPalette = {{{255, 128, 0, 255},
                                                        {0, 165, 255, 255},
                                                        {255, 0, 255, 255},
                                                        {0, 255, 255, 255},
                                                        {255, 255, 0, 255},
                                                        {128, 0, 255, 255},
                                                        {0, 128, 255, 255},
                                                        {180, 105, 255, 255}}};
    const auto n = static_cast<int>(kPalette.size());
    return kPalette[static_cast<std::size_t>(((id % n) + n) % n)];
}

int ROISet::Add(ROIShape shape, std::string name, const cv::Scalar& color) {
    const int id = m_nextId;
    (void)AddWithId(id, std::move(shape), std::move(name), color);
    return id;
}

bool ROISet::AddWithId(int id, ROIShape shape, std::string name, const cv::Scalar& color) {
    if (id < 0 || Find(id) != nullptr) {
        return false;
    }
    m_bounds.push_back(shape.Bounds());
    m_entries.push_back({id, std::move(name), color, std::move(shape)});
    m_nextId = std::max(m_nextId, id + 1);
    return true;
}

ROIEntry* ROISet::Find(int id) {
    for (ROIEntry& e : m_entries) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

const ROIEntry* ROISet::Find(int id) const { return const_cast<ROISet*>(this)->Find(id); }

bool ROISet::SetShape(int id, ROIShape shape) {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id) {
            m_bounds[i] = shape.Bounds();
            m_entries[i].shape = std::move(shape);
            return true;
        }
    }
    return false;
}

bool ROISet::Remove(int id) {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            m_bounds.erase(m_bounds.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

void ROISet::Clear() {
    m_entries.clear();
    m_bounds.clear();
}

int ROISet::HitTop(const cv::Point2f& p, float tol, int skip) const {
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        const cv::Rect2f& b = m_bounds[i];
        if (m_entries[i].id == skip || p.x < b.x - tol || p.y < b.y - tol ||
            p.x > b.x + b.width + tol || p.y > b.y + b.height + tol) {
            continue;
        }
        if (m_entries[i].shape.Hit(p, tol)) {
            return m_entries[i].id;
        }
    }
    return -1;
}

bool ROISet::Insert(std::size_t index, ROIEntry entry) {
    if (entry.id < 0 || Find(entry.id) != nullptr) {
        return false;
    }
    const auto at = static_cast<std::ptrdiff_t>(std::min(index, m_entries.size()));
    m_nextId = std::max(m_nextId, entry.id + 1);
    m_bounds.insert(m_bounds.begin() + at, entry.shape.Bounds());
    m_entries.insert(m_entries.begin() + at, std::move(entry));
    return true;
}

int ROISet::IndexOf(int id) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id) return static_cast<int>(i);
    }
    return -1;
}
