// The set-level history: entry changes undone and redone in place (drawing order and ids kept),
// the redo stack emptied by a new step, the depth limit, and the editor handing its steps over.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "roi/roi_editor.h"
#include "roi/roi_set_history.h"

namespace {

ROIShape Rect(float x, float y, float w, float h) {
    return ROIShape{CvROIMode::Rectangle, {{x, y}, {w, h}}, 0.0};
}

std::vector<int> Ids(const ROISet& set) {
    std::vector<int> ids;
    for (const ROIEntry& e : set.Entries()) ids.push_back(e.id);
    return ids;
}

// Removes an entry as a panel does, returning the change for a step.
ROIEntryChange RemoveChange(ROISet& set, int id) {
    ROIEntryChange c;
    c.index = static_cast<std::size_t>(set.IndexOf(id));
    c.before = *set.Find(id);
    EXPECT_TRUE(set.Remove(id));
    return c;
}

}  // namespace

TEST(ROISetHistory, UndoAndRedoPutEntriesBackInPlace) {
    ROISet set;
    for (int i = 0; i < 4; ++i) set.Add(Rect(10.f * i, 0, 5, 5), "r" + std::to_string(i), {});
    ROISetHistory history;

    // Remove the second: undone, it comes back between the first and the third.
    ROISetStep remove;
    remove.changes.push_back(RemoveChange(set, 2));
    ASSERT_TRUE(history.Record(remove));

    // Rename and reshape the fourth.
    ROISetStep change;
    ROIEntryChange c;
    c.index = static_cast<std::size_t>(set.IndexOf(4));
    c.before = *set.Find(4);
    set.Find(4)->name = "hole";
    (void)set.SetShape(4, Rect(1, 1, 50, 50));
    c.after = *set.Find(4);
    change.changes.push_back(c);
    ASSERT_TRUE(history.Record(change));

    // Clear, the last entry first (as the panel records it), with the selection going.
    ROISetStep clear;
    clear.selectedBefore = 3;
    for (int id : {4, 3, 1}) clear.changes.push_back(RemoveChange(set, id));
    ASSERT_TRUE(history.Record(clear));
    EXPECT_TRUE(set.Entries().empty());

    auto step = history.Undo();
    ASSERT_TRUE(step);
    EXPECT_EQ(ROISetHistory::Apply(set, *step, true), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(step->selectedBefore, 3);
    EXPECT_EQ(Ids(set), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(set.Find(4)->name, "hole");

    step = history.Undo();
    (void)ROISetHistory::Apply(set, *step, true);
    EXPECT_EQ(set.Find(4)->name, "r3");
    EXPECT_EQ(set.Find(4)->shape, Rect(30, 0, 5, 5));
    EXPECT_EQ(set.HitTop({32, 2}, 0.f), 4);  // the bounds followed the shape back

    step = history.Undo();
    (void)ROISetHistory::Apply(set, *step, true);
    EXPECT_EQ(Ids(set), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(history.CanUndo());

    // Redo runs forwards: removal, change, clear.
    for (int i = 0; i < 2; ++i) {
        step = history.Redo();
        (void)ROISetHistory::Apply(set, *step, false);
    }
    EXPECT_EQ(Ids(set), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(set.Find(4)->name, "hole");
    EXPECT_TRUE(history.CanRedo());

    // A new step drops what could be redone; ids stay above every id ever held.
    ROISetStep add;
    const int id = set.Add(Rect(0, 0, 9, 9), "", {});
    EXPECT_EQ(id, 5);
    add.changes.push_back({set.Size() - 1, std::nullopt, *set.Find(id)});
    ASSERT_TRUE(history.Record(add));
    EXPECT_FALSE(history.CanRedo());
    step = history.Undo();
    (void)ROISetHistory::Apply(set, *step, true);
    EXPECT_EQ(set.Find(5), nullptr);
    EXPECT_EQ(set.Add(Rect(0, 0, 1, 1), "", {}), 6);
}

TEST(ROISetHistory, EmptyStepsDepthAndEditorSteps) {
    ROISetHistory history(3);
    ROISetStep nothing;
    nothing.selectedBefore = 1;
    nothing.selectedAfter = 2;  // selecting alone is no step
    EXPECT_FALSE(history.Record(nothing));

    ROIEditor editor;
    editor.StoreFuncEnable(true, true, true);
    std::vector<std::pair<ROISnapshot, ROISnapshot>> handed;
    editor.m_onStep = [&](const ROISnapshot& b, const ROISnapshot& a) {
        handed.emplace_back(b, a);
    };
    EditContext ctx;
    ctx.mode = CvROIMode::Rectangle;
    ctx.imageSize = {200, 200};
    for (int i = 0; i < 5; ++i) {
        (void)editor.Press(ctx, {10.f + i, 10.f});
        (void)editor.Motion(ctx, {60.f + i, 50.f});
        (void)editor.Release(ctx);
    }
    // A click without a drag leaves the shape as it was: no step.
    (void)editor.Press(ctx, {150.f, 150.f});
    (void)editor.Release(ctx);
    ASSERT_EQ(handed.size(), 6u);  // the last click started an empty shape: a step to empty
    EXPECT_FALSE(editor.m_history.CanUndo());  // the owner has them, not the editor

    for (const auto& [before, after] : handed) {
        ROISetStep s;
        s.selectedBefore = s.selectedAfter = 1;
        s.editBefore = before;
        s.editAfter = after;
        EXPECT_TRUE(history.Record(s));
    }
    EXPECT_EQ(history.UndoDepth(), 3u);  // the oldest went
    ROISetStep same;
    same.editBefore = handed[1].second;
    same.editAfter = handed[1].second;
    EXPECT_FALSE(history.Record(same));
    // The newest three remain, newest first.
    for (int i = 5; i >= 3; --i) {
        const auto s = history.Undo();
        ASSERT_TRUE(s && s->editBefore);
        EXPECT_TRUE(s->editBefore->SameShape(handed[static_cast<std::size_t>(i)].first));
    }
    EXPECT_FALSE(history.Undo());
}
