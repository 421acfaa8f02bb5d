#include "roi/roi_history.h"

#include <utility>

namespace {

bool HasArea(const cv::Rect_<float>& r) { return r.width > 0.0f && r.height > 0.0f; }

}  // namespace

bool ROISnapshot::IsEmpty() const {
    switch (mode) {
        case CvROIMode::Point:
            // The crop event reports a point at the origin as no point.
            return down.x == 0.0f && down.y == 0.0f;
        case CvROIMode::Line:
            return down == up;
        case CvROIMode::Rectangle:
        case CvROIMode::RotatedRectangle:
        case CvROIMode::Circle:
        case CvROIMode::Annulus:
            return !HasArea(rect);
        case CvROIMode::Polygon:
            return points.empty();
        default:
            return true;
    }
}

bool ROISnapshot::SameShape(const ROISnapshot& other) const {
    const bool empty = IsEmpty();
    if (empty || other.IsEmpty()) {
        return empty == other.IsEmpty();
    }
    if (mode != other.mode) {
        return false;
    }
    switch (mode) {
        case CvROIMode::Point:
            return down == other.down;
        case CvROIMode::Line:
            return down == other.down && up == other.up;
        case CvROIMode::Rectangle:
        case CvROIMode::Circle:
            return rect == other.rect;
        case CvROIMode::RotatedRectangle:
            return rect == other.rect && rotateAngle == other.rotateAngle;
        case CvROIMode::Annulus:
            return rect == other.rect && innerRadius == other.innerRadius &&
                   startAngle == other.startAngle && endAngle == other.endAngle;
        case CvROIMode::Polygon:
            return points == other.points && polygonDrawing == other.polygonDrawing;
        default:
            return true;
    }
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
    m_points += snapshot.points.size();
    stack.push_back(std::move(snapshot));
}

ROISnapshot ROIHistory::Pop(std::deque<ROISnapshot>& stack) {
    ROISnapshot top = std::move(stack.back());
    stack.pop_back();
    m_points -= top.points.size();
    return top;
}

void ROIHistory::Trim() {
    // The newest step always stays, however large: one undo of the last edit must work.
    while (m_undo.size() > m_depth || (m_points > m_pointBudget && m_undo.size() > 1)) {
        m_points -= m_undo.front().points.size();
        m_undo.pop_front();
    }
}
