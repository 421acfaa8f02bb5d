#include "roi/roi_set.h"

#include <algorithm>
#include <array>
#include <cmath>
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
    return Insert(m_entries.size(), {id, std::move(name), color, std::move(shape)});
}

bool ROISet::Insert(std::size_t index, ROIEntry entry) {
    if (entry.id < 0 || m_indexOf.count(entry.id) != 0) {
        return false;
    }
    const std::size_t at = std::min(index, m_entries.size());
    const cv::Rect2f bounds = entry.shape.Bounds();
    const int id = entry.id;
    m_longestName = std::max(m_longestName, entry.name.size());
    m_nextId = std::max(m_nextId, id + 1);
    m_bounds.insert(m_bounds.begin() + static_cast<std::ptrdiff_t>(at), bounds);
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    // The entries after it move one place up (none when it is appended).
    for (std::size_t j = at; j < m_entries.size(); ++j) {
        m_indexOf[m_entries[j].id] = j;
    }
    m_index.Insert(id, bounds);
    return true;
}

int ROISet::IndexOf(int id) const {
    const auto it = m_indexOf.find(id);
    return it == m_indexOf.end() ? -1 : static_cast<int>(it->second);
}

ROIEntry* ROISet::Find(int id) {
    const auto it = m_indexOf.find(id);
    if (it == m_indexOf.end()) {
        return nullptr;
    }
    m_namesChanged = true;  // the caller may rename it
    return &m_entries[it->second];
}

const ROIEntry* ROISet::Find(int id) const {
    const auto it = m_indexOf.find(id);
    return it == m_indexOf.end() ? nullptr : &m_entries[it->second];
}

bool ROISet::SetShape(int id, ROIShape shape) {
    const auto it = m_indexOf.find(id);
    if (it == m_indexOf.end()) {
        return false;
    }
    const std::size_t i = it->second;
    const cv::Rect2f bounds = shape.Bounds();
    m_index.Erase(id, m_bounds[i]);
    m_index.Insert(id, bounds);
    m_bounds[i] = bounds;
    m_entries[i].shape = std::move(shape);
    return true;
}

bool ROISet::Remove(int id) {
    const auto it = m_indexOf.find(id);
    if (it == m_indexOf.end()) {
        return false;
    }
    const std::size_t i = it->second;
    m_index.Erase(id, m_bounds[i]);
    m_indexOf.erase(it);
    // Erasing keeps the drawing order; the entries after it move one place down.
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
    m_bounds.erase(m_bounds.begin() + static_cast<std::ptrdiff_t>(i));
    for (std::size_t j = i; j < m_entries.size(); ++j) {
        m_indexOf[m_entries[j].id] = j;
    }
    m_namesChanged = true;
    return true;
}

void ROISet::Clear() {
    m_entries.clear();
    m_bounds.clear();
    m_indexOf.clear();
    m_index.Clear();
    m_longestName = 0;
    m_namesChanged = false;
}

std::vector<std::size_t> ROISet::InDrawingOrder(const std::vector<int>& ids) const {
    std::vector<std::size_t> at;
    at.reserve(ids.size());
    for (const int id : ids) {
        at.push_back(m_indexOf.at(id));
    }
    std::sort(at.begin(), at.end());
    return at;
}

std::vector<int> ROISet::Query(const cv::Rect2f& r) const {
    std::vector<int> ids;
    m_index.Query(r, ids);
    // Bounds that are not finite come with every query; only those that meet r are asked for.
    const std::vector<std::size_t> at = InDrawingOrder(ids);
    std::vector<int> out;
    out.reserve(at.size());
    for (const std::size_t i : at) {
        const cv::Rect2f& b = m_bounds[i];
        if (b.x <= r.x + r.width && r.x <= b.x + b.width && b.y <= r.y + r.height &&
            r.y <= b.y + b.height) {
            out.push_back(m_entries[i].id);
        }
    }
    return out;
}

std::size_t ROISet::LongestName() const {
    if (m_namesChanged) {
        m_longestName = 0;
        for (const ROIEntry& e : m_entries) {
            m_longestName = std::max(m_longestName, e.name.size());
        }
        m_namesChanged = false;
    }
    return m_longestName;
}

int ROISet::HitTop(const cv::Point2f& p, float tol, int skip) const {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        return -1;  // no shape holds such a point
    }
    std::vector<std::size_t> candidates;
    // Only boxes near p can pass the test below. The search square is a pixel wider than the
    // test needs, so float rounding in either cannot leave a candidate out.
    const float reach =
        std::max(tol, 0.0f) + 1.0f + 1e-6f * std::max(std::abs(p.x), std::abs(p.y));
    if (std::isfinite(reach)) {
        std::vector<int> ids;
        m_index.Query({p.x - reach, p.y - reach, 2 * reach, 2 * reach}, ids);
        candidates = InDrawingOrder(ids);
    } else {
        candidates.resize(m_entries.size());
        for (std::size_t i = 0; i < candidates.size(); ++i) candidates[i] = i;
    }
    for (std::size_t k = candidates.size(); k-- > 0;) {
        const std::size_t i = candidates[k];
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
