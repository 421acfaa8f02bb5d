// ROISet: the named regions of interest a panel holds, in drawing order, each with an id that
// is unique and never reused in the set's life, a name and a colour. Window-free.
// Finding an id, and the ROIs near a point or in a view, cost about the same with ten thousand
// ROIs as with ten: an id map and a bounding-box index follow every change made here. A shape is
// changed through SetShape only (not through Find), or the index loses it.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <unordered_map>
#include <vector>

#include "roi/roi_bounds_index.h"
#include "roi/roi_shape.h"

struct ROIEntry {
    int id = 0;
    std::string name;
    cv::Scalar color{0, 0, 0, 255};  // B, G, R, A
    ROIShape shape;
};

class ROISet {
  public:
    // The colour an ROI gets without one: a fixed palette, by id.
    [[nodiscard]] static cv::Scalar PaletteColor(int id);

    // Appends an ROI and returns its new id.
    int Add(ROIShape shape, std::string name, const cv::Scalar& color);
    // Appends an ROI with a given id (one read back from data); later ids stay above it.
    // False, and nothing added, when the id is taken or negative.
    bool AddWithId(int id, ROIShape shape, std::string name, const cv::Scalar& color);
    // The entry of `id`, nullptr for an unknown id.
    [[nodiscard]] ROIEntry* Find(int id);
    [[nodiscard]] const ROIEntry* Find(int id) const;
    bool Remove(int id);
    void Clear();
    [[nodiscard]] const std::vector<ROIEntry>& Entries() const { return m_entries; }
    [[nodiscard]] std::size_t Size() const { return m_entries.size(); }
    [[nodiscard]] int NextId() const { return m_nextId; }
    // The topmost ROI (the last drawn) that p lies in or within `tol` of, except `skip`; -1
    // for none. Only ROIs whose bounds, grown by `tol`, hold p are tested exactly.
    [[nodiscard]] int HitTop(const cv::Point2f& p, float tol, int skip = -1) const;

    // The ids, in drawing order, of the ROIs whose bounds meet `r` (edges touching count).
    [[nodiscard]] std::vector<int> Query(const cv::Rect2f& r) const;
    // The bytes in the longest name: how far a label may reach beyond its ROI.
    [[nodiscard]] std::size_t LongestName() const;

    // Replaces an entry's shape (its bounds follow); false for an unknown id.
    bool SetShape(int id, ROIShape shape);
    // Puts an entry back at a place in the drawing order (clamped to the end), as an undo of
    // its removal does; false, and nothing added, when its id is taken or negative.
    bool Insert(std::size_t index, ROIEntry entry);
    // The place of an entry in the drawing order; -1 for an unknown id.
    [[nodiscard]] int IndexOf(int id) const;

  private:
    // Entry positions of `ids`, in drawing order.
    [[nodiscard]] std::vector<std::size_t> InDrawingOrder(const std::vector<int>& ids) const;

    std::vector<ROIEntry> m_entries;
    std::vector<cv::Rect2f> m_bounds;  // each entry's ROIShape::Bounds, kept beside it
    std::unordered_map<int, std::size_t> m_indexOf;  // id -> position in m_entries
    ROIBoundsIndex m_index;
    // Names can be changed through Find: the longest is measured again after that.
    mutable std::size_t m_longestName = 0;
    mutable bool m_namesChanged = false;
    int m_nextId = 1;
};
