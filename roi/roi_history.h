// ROIHistory: the undo and redo stacks of the editing ROI. Each entry is a snapshot of the
// shape (and the mode it belongs to) as it was on one side of an edit; the current shape is
// the editor's own. Window-free; the editor decides when an edit starts and ends.
#pragma once

#include <opencv2/core/types.hpp>

#include <cstddef>
#include <optional>
#include <vector>

#include "roi/bounded_stacks.h"
#include "roi/roi_mode.h"
#include "roi/roi_shape.h"

// The editing ROI as the user sees it: what a restore puts back. The shape value, plus what its
// single-precision points leave out of the editing state (kept at full precision, so an undo
// puts back exactly the values the edit started from) and a polygon still being drawn.
// Transient drag state (what a press grabbed, the rubber band, the last click) is not part of it.
struct ROISnapshot {
    ROIShape shape;
    double innerRadius = -1.0;  // -1: the inner radius follows the outer one
    double startAngle = 0.0;
    double endAngle = 360.0;
    double rotateAccum = 0.0;   // the rotation before snapping to 45 degrees
    std::vector<cv::Point2f> openPolygon;  // the vertices of a polygon being drawn
    bool polygonDrawing = true;

    [[nodiscard]] CvROIMode Mode() const { return shape.mode; }
    // No shape to show or report (see ROIShape::IsEmpty) and no polygon being drawn.
    [[nodiscard]] bool IsEmpty() const;
    // The same shape on screen: both empty (in whatever modes), or the same mode with the same
    // defining values. Only a change that fails this is an undo step.
    [[nodiscard]] bool SameShape(const ROISnapshot& other) const;
    // Vertices held, for the history's memory budget.
    [[nodiscard]] std::size_t PointCount() const {
        return shape.points.size() + openPolygon.size();
    }
};

class ROIHistory {
  public:
    static constexpr std::size_t kDefaultDepth = 128;
    // Above this many stored polygon vertices the oldest steps go even within the depth, so a
    // hundred edits of a huge traced outline cannot take gigabytes.
    static constexpr std::size_t kDefaultPointBudget = std::size_t{1} << 23;

    explicit ROIHistory(std::size_t depth = kDefaultDepth,
                        std::size_t pointBudget = kDefaultPointBudget);

    // One edit took the shape from `before` to `after`: `before` goes on the undo stack (the
    // oldest entry drops out beyond the depth) and the redo stack empties. False, and nothing
    // recorded, when the shape on screen did not change.
    bool Record(const ROISnapshot& before, const ROISnapshot& after);
    // The shape to restore, with `current` kept on the other stack; empty when there is none.
    [[nodiscard]] std::optional<ROISnapshot> Undo(const ROISnapshot& current);
    [[nodiscard]] std::optional<ROISnapshot> Redo(const ROISnapshot& current);
    [[nodiscard]] bool CanUndo() const { return !m_stacks.Empty(Stacks::kUndo); }
    [[nodiscard]] bool CanRedo() const { return !m_stacks.Empty(Stacks::kRedo); }
    [[nodiscard]] std::size_t UndoDepth() const { return m_stacks.Size(Stacks::kUndo); }

  private:
    using Stacks = BoundedStacks<ROISnapshot>;
    Stacks m_stacks;
};
