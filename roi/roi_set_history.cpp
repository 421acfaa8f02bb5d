#include "roi/roi_set_history.h"

#include <utility>

bool ROISetStep::IsEmpty() const {
    if (!changes.empty()) {
        return false;
    }
    if (editBefore && editAfter) {
        return editBefore->SameShape(*editAfter);
    }
    return !editBefore && !editAfter;
}

std::size_t ROISetStep::PointCount() const {
    std::size_t n = 0;
    for (const ROIEntryChange& c : changes) {
        n += c.before ? c.before->shape.points.size() : 0;
        n += c.after ? c.after->shape.points.size() : 0;
    }
    n += editBefore ? editBefore->PointCount() : 0;
    n += editAfter ? editAfter->PointCount() : 0;
    return n;
}

ROISetHistory::ROISetHistory(std::size_t depth, std::size_t pointBudget)
    : m_stacks(depth, pointBudget) {}

bool ROISetHistory::Record(ROISetStep step) {
    if (step.IsEmpty()) {
        return false;
    }
    m_stacks.Record(std::move(step));
    return true;
}

std::optional<ROISetStep> ROISetHistory::Undo() {
    if (m_stacks.Empty(Stacks::kUndo)) {
        return std::nullopt;
    }
    return m_stacks.MoveTop(Stacks::kUndo);
}

std::optional<ROISetStep> ROISetHistory::Redo() {
    if (m_stacks.Empty(Stacks::kRedo)) {
        return std::nullopt;
    }
    return m_stacks.MoveTop(Stacks::kRedo);
}

namespace {

// Takes an entry from `from` to `to` (either may be absent) at `index`.
int ApplyChange(ROISet& set, std::size_t index, const std::optional<ROIEntry>& from,
                const std::optional<ROIEntry>& to) {
    if (from && !to) {
        (void)set.Remove(from->id);
        return from->id;
    }
    if (!from && to) {
        (void)set.Insert(index, *to);
        return to->id;
    }
    if (!to) {
        return -1;
    }
    if (ROIEntry* e = set.Find(to->id)) {
        e->name = to->name;
        e->color = to->color;
        (void)set.SetShape(to->id, to->shape);
    }
    return to->id;
}

}  // namespace

std::vector<int> ROISetHistory::Apply(ROISet& set, const ROISetStep& step, bool undo) {
    std::vector<int> ids;
    ids.reserve(step.changes.size());
    if (undo) {
        for (auto c = step.changes.rbegin(); c != step.changes.rend(); ++c) {
            ids.push_back(ApplyChange(set, c->index, c->after, c->before));
        }
    } else {
        for (const ROIEntryChange& c : step.changes) {
            ids.push_back(ApplyChange(set, c.index, c.before, c.after));
        }
    }
    return ids;
}
