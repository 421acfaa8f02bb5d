#include "roi/roi_history.h"

#include <utility>

bool ROISnapshot::IsEmpty() const { return shape.IsEmpty() && openPolygon.empty(); }

bool ROISnapshot::SameShape(const ROISnapshot& other) const {
    const bool empty = IsEmpty();
    if (empty || other.IsEmpty()) {
        return empty == other.IsEmpty();
    }
    if (shape != other.shape || openPolygon != other.openPolygon) {
        return false;
    }
    if (shape.mode == CvROIMode::Annulus) {
        return innerRadius == other.innerRadius && startAngle == other.startAngle &&
               endAngle == other.endAngle;
    }
    return true;
}

ROIHistory::ROIHistory(std::size_t depth, std::size_t pointBudget)
    : m_stacks(depth, pointBudget) {}

bool ROIHistory::Record(const ROISnapshot& before, const ROISnapshot& after) {
    if (before.SameShape(after)) {
        return false;
    }
    m_stacks.Record(before);
    return true;
}

std::optional<ROISnapshot> ROIHistory::Undo(const ROISnapshot& current) {
    if (m_stacks.Empty(Stacks::kUndo)) {
        return std::nullopt;
    }
    m_stacks.Push(Stacks::kRedo, current);
    return m_stacks.Pop(Stacks::kUndo);
}

std::optional<ROISnapshot> ROIHistory::Redo(const ROISnapshot& current) {
    if (m_stacks.Empty(Stacks::kRedo)) {
        return std::nullopt;
    }
    m_stacks.Push(Stacks::kUndo, current);
    return m_stacks.Pop(Stacks::kRedo);
}
