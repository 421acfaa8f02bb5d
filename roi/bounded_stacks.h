// BoundedStacks: the undo and redo stacks of a history, holding at most `depth` undo steps and,
// beyond a budget of stored vertices, dropping the oldest ones too (the newest undo step always
// stays, however large: one undo of the last change must work). Step needs PointCount().
#pragma once

#include <cstddef>
#include <deque>
#include <utility>

template <typename Step>
class BoundedStacks {
  public:
    enum Which { kUndo, kRedo };

    BoundedStacks(std::size_t depth, std::size_t pointBudget)
        : m_depth(depth < 1 ? 1 : depth), m_pointBudget(pointBudget) {}

    void Push(Which which, Step step) {
        m_points += step.PointCount();
        Stack(which).push_back(std::move(step));
    }
    // The top of a non-empty stack, taken off it.
    Step Pop(Which which) {
        std::deque<Step>& stack = Stack(which);
        Step top = std::move(stack.back());
        stack.pop_back();
        m_points -= top.PointCount();
        return top;
    }
    // A new step: the redo steps go, and the oldest undo steps beyond the bounds.
    void Record(Step step) {
        ClearRedo();
        Push(kUndo, std::move(step));
        Trim();
    }
    // The top of a non-empty stack moved onto the other one; a copy of it is returned.
    Step MoveTop(Which from) {
        Step top = Pop(from);
        Push(from == kUndo ? kRedo : kUndo, top);
        return top;
    }
    [[nodiscard]] bool Empty(Which which) const { return Stack(which).empty(); }
    [[nodiscard]] std::size_t Size(Which which) const { return Stack(which).size(); }
    void ClearRedo() {
        while (!m_redo.empty()) {
            (void)Pop(kRedo);
        }
    }
    void Clear() {
        m_undo.clear();
        m_redo.clear();
        m_points = 0;
    }

    // Drops the oldest undo steps beyond the depth or the budget; a new step's recording calls it.
    void Trim() {
        while (m_undo.size() > m_depth || (m_points > m_pointBudget && m_undo.size() > 1)) {
            m_points -= m_undo.front().PointCount();
            m_undo.pop_front();
        }
    }

  private:
    std::deque<Step>& Stack(Which which) { return which == kUndo ? m_undo : m_redo; }
    const std::deque<Step>& Stack(Which which) const { return which == kUndo ? m_undo : m_redo; }

    std::size_t m_depth;
    std::size_t m_pointBudget;
    std::size_t m_points = 0;  // vertices held by both stacks
    std::deque<Step> m_undo;
    std::deque<Step> m_redo;
};
