// ROIBoundsIndex: finds the ids whose bounding boxes meet a rectangle without testing every
// box, so that painting a small view of many ROIs and hit-testing a press cost what is near, not
// what is stored. Window-free.
#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <unordered_map>
#include <vector>

class ROIBoundsIndex {
  public:
    // Adds `id` with `box`. A box without area is not kept (no query finds it); one with a
    // value that is not finite is kept apart and found by every query.
    void Insert(int id, const cv::Rect2f& box);
    // Removes `id`, given the box it was inserted with.
    void Erase(int id, const cv::Rect2f& box);
    void Clear();
    // Appends to `out`, each once and in no particular order, the ids whose box meets `r`
    // (edges touching count) and those whose box is not finite.
    void Query(const cv::Rect2f& r, std::vector<int>& out) const;

  private:
    struct Item {
        int id;
        cv::Rect2f box;
    };
    struct CellRange {
        int x0, y0, x1, y1;
    };
    // Grids of square cells, 64 image pixels at level 0 and four times larger at each level
    // above. A box goes into the finest level whose cells are as large as the box, where it lies
    // in at most 2 x 2 cells, so a query visits few cells per box whatever the boxes' sizes.
    static constexpr int kLevels = 12;

    [[nodiscard]] static int LevelOf(const cv::Rect2f& box);
    [[nodiscard]] static CellRange CellsOf(const cv::Rect2f& box, int level);
    [[nodiscard]] static std::uint64_t Key(int level, int cx, int cy);
    // Reports the items of one cell meeting `r`, each from one cell only: the first cell, in
    // both axes, that the item's and the query's cell ranges share.
    static void Report(const std::vector<Item>& cell, int level, int cx, int cy,
                       const cv::Rect2f& r, const CellRange& q, std::vector<int>& out);

    std::unordered_map<std::uint64_t, std::vector<Item>> m_cells;
    int m_levelCount[kLevels] = {};  // items per level, so empty levels are skipped
    std::vector<Item> m_apart;      // boxes too large for every level, or not finite
};
