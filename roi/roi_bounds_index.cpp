#include "roi/roi_bounds_index.h"

#include <algorithm>
#include <cmath>

namespace {

// Cell coordinates are clamped to 29 bits each, so a key holds the level and both of them.
// Clamping keeps every box and query in the cells it would have had, or in the edge cells, so
// no meeting pair is lost, only crowded together far out.
constexpr int kCellLimit = 1 << 28;
constexpr std::uint64_t kCellMask = (std::uint64_t{1} << 29) - 1;

bool Finite(const cv::Rect2f& r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
           std::isfinite(r.height);
}

// Every comparison is made on the same float sums the cell ranges are computed from, so a box
// that meets a query always shares a cell with it.
bool Meets(const cv::Rect2f& box, const cv::Rect2f& r) {
    return box.x <= r.x + r.width && r.x <= box.x + box.width && box.y <= r.y + r.height &&
           r.y <= box.y + box.height;
}

int CellCoord(float v, double cell) {
    const double c = std::floor(static_cast<double>(v) / cell);
    return static_cast<int>(std::clamp(c, -static_cast<double>(kCellLimit),
                                       static_cast<double>(kCellLimit - 1)));
}

double CellSize(int level) { return std::ldexp(64.0, 2 * level); }  // 64 * 4^level

}  // namespace

int ROIBoundsIndex::LevelOf(const cv::Rect2f& box) {
    const double extent = std::max(box.width, box.height);
    for (int level = 0; level < kLevels; ++level) {
        if (extent <= CellSize(level)) return level;
    }
    return kLevels;  // kept apart
}

ROIBoundsIndex::CellRange ROIBoundsIndex::CellsOf(const cv::Rect2f& box, int level) {
    const double cell = CellSize(level);
    return {CellCoord(box.x, cell), CellCoord(box.y, cell), CellCoord(box.x + box.width, cell),
            CellCoord(box.y + box.height, cell)};
}

std::uint64_t ROIBoundsIndex::Key(int level, int cx, int cy) {
    return (static_cast<std::uint64_t>(level) << 58) |
           (static_cast<std::uint64_t>(cx + kCellLimit) << 29) |
           static_cast<std::uint64_t>(cy + kCellLimit);
}

void ROIBoundsIndex::Insert(int id, const cv::Rect2f& box) {
    if (!Finite(box)) {
        m_apart.push_back({id, box});
        return;
    }
    if (!(box.width > 0 && box.height > 0)) {
        return;
    }
    const int level = LevelOf(box);
    if (level == kLevels) {
        m_apart.push_back({id, box});
        return;
    }
    const CellRange c = CellsOf(box, level);
    for (int cy = c.y0; cy <= c.y1; ++cy) {
        for (int cx = c.x0; cx <= c.x1; ++cx) {
            m_cells[Key(level, cx, cy)].push_back({id, box});
        }
    }
    ++m_levelCount[level];
}

void ROIBoundsIndex::Erase(int id, const cv::Rect2f& box) {
    const auto dropFrom = [id](std::vector<Item>& items) {
        const auto it =
            std::find_if(items.begin(), items.end(), [id](const Item& i) { return i.id == id; });
        if (it == items.end()) return false;
        *it = items.back();
        items.pop_back();
        return true;
    };
    // The same steps as Insert, so the box is looked for where it went.
    if (!Finite(box)) {
        (void)dropFrom(m_apart);
        return;
    }
    if (!(box.width > 0 && box.height > 0)) {
        return;
    }
    const int level = LevelOf(box);
    if (level == kLevels) {
        (void)dropFrom(m_apart);
        return;
    }
    const CellRange c = CellsOf(box, level);
    bool found = false;
    for (int cy = c.y0; cy <= c.y1; ++cy) {
        for (int cx = c.x0; cx <= c.x1; ++cx) {
            const auto cell = m_cells.find(Key(level, cx, cy));
            if (cell == m_cells.end()) continue;
            found = dropFrom(cell->second) || found;
            if (cell->second.empty()) m_cells.erase(cell);
        }
    }
    if (found) --m_levelCount[level];
}

void ROIBoundsIndex::Clear() {
    m_cells.clear();
    m_apart.clear();
    std::fill(std::begin(m_levelCount), std::end(m_levelCount), 0);
}

void ROIBoundsIndex::Report(const std::vector<Item>& cell, int level, int cx, int cy,
                            const cv::Rect2f& r, const CellRange& q, std::vector<int>& out) {
    for (const Item& item : cell) {
        if (!Meets(item.box, r)) continue;
        const CellRange b = CellsOf(item.box, level);
        if (cx == std::max(b.x0, q.x0) && cy == std::max(b.y0, q.y0)) {
            out.push_back(item.id);
        }
    }
}

void ROIBoundsIndex::Query(const cv::Rect2f& r, std::vector<int>& out) const {
    const bool finite = Finite(r);
    for (const Item& item : m_apart) {
        if (!Finite(item.box) || (finite && Meets(item.box, r))) out.push_back(item.id);
    }
    if (!finite || m_cells.empty()) {
        return;
    }
    CellRange q[kLevels];
    double cells = 0;
    for (int level = 0; level < kLevels; ++level) {
        q[level] = CellsOf(r, level);
        if (m_levelCount[level] == 0) continue;
        cells += (static_cast<double>(q[level].x1) - q[level].x0 + 1) *
                 (static_cast<double>(q[level].y1) - q[level].y0 + 1);
    }
    if (cells > static_cast<double>(m_cells.size())) {
        // A query wider than what is stored (a far zoomed-out view): walking the occupied
        // cells costs less than looking up every cell it covers.
        for (const auto& [key, items] : m_cells) {
            const auto level = static_cast<int>(key >> 58);
            const int cx = static_cast<int>((key >> 29) & kCellMask) - kCellLimit;
            const int cy = static_cast<int>(key & kCellMask) - kCellLimit;
            const CellRange& ql = q[level];
            if (cx >= ql.x0 && cx <= ql.x1 && cy >= ql.y0 && cy <= ql.y1) {
                Report(items, level, cx, cy, r, ql, out);
            }
        }
        return;
    }
    for (int level = 0; level < kLevels; ++level) {
        if (m_levelCount[level] == 0) continue;
        const CellRange& ql = q[level];
        for (int cy = ql.y0; cy <= ql.y1; ++cy) {
            for (int cx = ql.x0; cx <= ql.x1; ++cx) {
                const auto cell = m_cells.find(Key(level, cx, cy));
                if (cell != m_cells.end()) Report(cell->second, level, cx, cy, r, ql, out);
            }
        }
    }
}
