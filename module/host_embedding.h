// Host embedding shared by the panel wrappers: the wx application checks, automatic window ids,
// the hidden 1 x 1 parent frame, the lookup of the wx window that owns an X11 handle, and the
// lifetime of an embedded panel (also when wx destroys it together with its host window).
// GUI thread only; nothing here is locked.
#pragma once

#include <cstdint>

class wxFrame;
class wxWindow;
class wxWindowDestroyEvent;

extern bool s_appSeen;
extern int s_nextWindowId;
extern wxFrame* s_hiddenFrame;
extern int s_livePanelCount;

// Construction steps before a panel window exists; each throws std::runtime_error with the
// message the Python caller sees. First: the application check done until it succeeds once.
void CheckWxAppFirstUse();
// Throws for a parent handle of 0.
void CheckParentHandle(std::uintptr_t parentHandle);
// The caller's id, or the next automatic id (10000, 10001, ...) when it is negative.
[[nodiscard]] int TakeWindowId(int id);
// The application check repeated on every construction.
void CheckWxAppInstance();

// The shared hidden frame, created (with the next automatic id) on first use.
[[nodiscard]] wxFrame* GetHiddenFrame();

// X11 window id of the window's GDK window; 0 when the window is not realized.
[[nodiscard]] std::uintptr_t NativeHandleOf(wxWindow* window);
// The first wx window (top-level windows and all their descendants, parents first) whose X11
// window id is `handle`; null when no wx window of this process owns it.
[[nodiscard]] wxWindow* FindWindowByNativeHandle(std::uintptr_t handle);

// Moves `panel` under the wx window that owns `parentHandle` at (max(x,0), max(y,0)) with size
// width x height (400 x 300 for values <= 0) and shows it. False when no wx window owns the
// handle: the panel is then left where it was.
[[nodiscard]] bool EmbedPanelInNativeParent(wxWindow* panel, std::uintptr_t parentHandle, int x,
                                            int y, int width, int height);

// Owns one embedded panel window and counts it among the live panels. Notices when wx destroys
// the panel first (with its host window): the pointer is dropped and the count fixed, so an
// owner that asks Get() never touches the dead window.
class EmbeddedPanel {
  public:
    EmbeddedPanel() = default;
    EmbeddedPanel(const EmbeddedPanel&) = delete;
    EmbeddedPanel& operator=(const EmbeddedPanel&) = delete;
    ~EmbeddedPanel() { Release(); }

    // Takes ownership of a created and embedded panel.
    void Attach(wxWindow* panel);
    [[nodiscard]] wxWindow* Get() const { return m_panel; }
    // Destroys the panel if it still exists; the hidden frame goes with the last panel.
    void Release();

  private:
    void OnDestroy(wxWindowDestroyEvent& event);
    void Forget();

    wxWindow* m_panel = nullptr;
};

// Destroys a panel that never became live (its embedding failed), and the hidden frame with
// it when no live panel needs the frame.
void DiscardUnembeddedPanel(wxWindow* panel);
