// ROISetHistory: the undo and redo stacks of a panel's set of named ROIs. A step holds what one
// change did to the set (entries added, removed or changed, each with its place in the drawing
// order), which ROI was selected on either side of it, and, when it edited the editing ROI, the
// editor's state on either side (so that a step of the one editing ROI undoes exactly as the
// editor's own history would). Selecting alone is no step. Window-free.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "roi/bounded_stacks.h"
#include "roi/roi_history.h"
#include "roi/roi_set.h"

// One entry's change: `before` absent for an entry the step added, `after` absent for one it
// removed. `index` is the entry's place where it is present: after the step for an added or
// changed one, before it for a removed one.
struct ROIEntryChange {
    std::size_t index = 0;
    std::optional<ROIEntry> before;
    std::optional<ROIEntry> after;
};

struct ROISetStep {
    int selectedBefore = -1;  // -1: none
    int selectedAfter = -1;
    std::optional<ROISnapshot> editBefore;  // the editing ROI, when the step edited it
    std::optional<ROISnapshot> editAfter;
    std::vector<ROIEntryChange> changes;  // in the order they were made

    // Nothing to undo: no entry changed and the editing ROI did not change on screen.
    [[nodiscard]] bool IsEmpty() const;
    // Vertices held, for the history's memory budget.
    [[nodiscard]] std::size_t PointCount() const;
};

class ROISetHistory {
  public:
    explicit ROISetHistory(std::size_t depth = ROIHistory::kDefaultDepth,
                           std::size_t pointBudget = ROIHistory::kDefaultPointBudget);

    // Pushes a step (the oldest drops out beyond the depth or the point budget; the newest
    // always stays) and empties the redo stack. False, and nothing recorded, for an empty step.
    bool Record(ROISetStep step);
    // Moves the newest step to the other stack and returns it; empty when there is none.
    [[nodiscard]] std::optional<ROISetStep> Undo();
    [[nodiscard]] std::optional<ROISetStep> Redo();
    [[nodiscard]] bool CanUndo() const { return !m_stacks.Empty(Stacks::kUndo); }
    [[nodiscard]] bool CanRedo() const { return !m_stacks.Empty(Stacks::kRedo); }
    [[nodiscard]] std::size_t UndoDepth() const { return m_stacks.Size(Stacks::kUndo); }
    void Clear() { m_stacks.Clear(); }

    // Carries out a step's entry changes on `set`: backwards (in reverse order, putting each
    // `before` back) for an undo, forwards for a redo. The selection and the editing ROI are
    // the caller's. Returns the ids changed, in the order they were carried out.
    static std::vector<int> Apply(ROISet& set, const ROISetStep& step, bool undo);

  private:
    using Stacks = BoundedStacks<ROISetStep>;
    Stacks m_stacks;
};
