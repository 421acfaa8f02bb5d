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
    : m_depth(depth < 1 ? 1 : depth), m_pointBudget(pointBudget) {}

bool ROIHistory::Record(const ROISnapshot& before, const ROISnapshot& after) {
    if (before.SameShape(after)) {
        return false;
    }
    while (!m_redo.empty()) {
        (void)Pop(m_redo);
    }
    Push(m_undo, before);
    Trim();
    return true;
}

std::optional<ROISnapshot> ROIHistory::Undo(const ROISnapshot& current) {
    if (m_undo.empty()) {
        return std::nullopt;
    }
    Push(m_redo, current);
    return Pop(m_undo);
}

std::optional<ROISnapshot> ROIHistory::Redo(const ROISnapshot& current) {
    if (m_redo.empty()) {
        return std::nullopt;
    }
    Push(m_undo, current);
    return Pop(m_redo);
}

void ROIHistory::Push(std::deque<ROISnapshot>& stack, ROISnapshot snapshot) {
    m_points += snapshot.PointCount();
    stack.push_back(std::move(snapshot));
}

ROISnapshot ROIHistory::Pop(std::deque<ROISnapshot>& stack) {
    ROISnapshot top = std::move(stack.back());
    stack.pop_back();
    m_points -= top.PointCount();
    return top;
}

void ROIHistory::Trim() {
    // The newest step always stays, however large: one undo of the last edit must work.
    while (m_undo.size() > m_depth || (m_points > m_pointBudget && m_undo.size() > 1)) {
        m_points -= m_undo.front().PointCount();
        m_undo.pop_front();
    }
}
