// Host embedding shared by the panel wrappers: one way to create a panel window of any type
// under a host wx window, given as the window itself or (on X11) by its handle (the application
// checks, automatic window ids, the hidden 1 x 1 parent frame, the live-panel count), and the
// panel's lifetime, also when wx destroys it together with its host window. GUI thread only;
// nothing here is locked.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class wxWindow;
class wxWindowDestroyEvent;

// The arguments of a Python panel constructor. The host is `parentWindow` when it is set (a
// live window found with FindLiveWindow), else the window that owns `parentHandle`.
struct PanelPlacement {
    std::uintptr_t parentHandle = 0;
    wxWindow* parentWindow = nullptr;
    int id = -1;
    int x = -1;
    int y = -1;
    int width = -1;
    int height = -1;
    long style = 0;
    std::string name;
};

// Makes the panel window: (parent, id, position, size, style, name).
using PanelFactory = std::function<wxWindow*(wxWindow*, int, const wxPoint&, const wxSize&, long,
                                             const wxString&)>;

// Whether GDK draws through an X11 display in this process (the backend is chosen at run time:
// the same build runs on X11 and on Wayland). Int handles name wx windows only there.
[[nodiscard]] bool GdkRunsOnX11();
// X11 window id of the window's GDK window; 0 when the window is not realized, and always 0
// where GDK does not run on X11 (on Wayland no handle names a window inside a top-level one).
[[nodiscard]] std::uintptr_t NativeHandleOf(wxWindow* window);
// The first wx window (top-level windows and all their descendants, parents first) whose X11
// window id is `handle`; null when no wx window of this process owns it, or off X11.
[[nodiscard]] wxWindow* FindWindowByNativeHandle(std::uintptr_t handle);
// The window at `address` if it is one of this process's windows (top-level windows and all
// their descendants, the module's hidden frame left out); null otherwise. `address` is only
// compared, never dereferenced, so any value is safe.
[[nodiscard]] wxWindow* FindLiveWindow(const void* address);
// Whether the window or one of its parents is already on its way to destruction.
[[nodiscard]] bool IsGoingAway(wxWindow* window);

// Owns one embedded panel window and counts it among the live panels. Notices when wx destroys
// the panel first (with its host window): the pointer is dropped, the count fixed and the
// owner's gone-hook called, so an owner that asks Get() never touches the dead window.
class EmbeddedPanel {
  public:
    EmbeddedPanel() = default;
    EmbeddedPanel(const EmbeddedPanel&) = delete;
    EmbeddedPanel& operator=(const EmbeddedPanel&) = delete;
    ~EmbeddedPanel() { Release(); }

    // The construction sequence: application check (until it once succeeds), handle check
    // (skipped for a host given as a window), window id (automatic ones from 10000),
    // application check again, hidden frame, the panel made by `make` as its child, the move
    // under the host window, show, count. Throws std::runtime_error with the message the
    // Python caller sees; no window is left behind.
    void Create(const PanelPlacement& placement, const PanelFactory& make);
    [[nodiscard]] wxWindow* Get() const { return m_panel; }
    // Called once, from inside the panel's destruction, when wx destroys the panel before
    // Release: the panel must not be touched there.
    void SetGoneHook(std::function<void()> hook) { m_goneHook = std::move(hook); }
    // Destroys the panel if it still exists; the hidden frame goes with the last panel.
    // `deferred`: the panel is only hidden now and destroyed once the event loop is idle, for a
    // panel whose event handler is still running further up the stack.
    void Release(bool deferred = false);

  private:
    void OnDestroy(wxWindowDestroyEvent& event);
    void Forget();

    wxWindow* m_panel = nullptr;
    std::function<void()> m_goneHook;
};

// An EmbeddedPanel of a known panel class, with the one way its wrapper reaches it: a call that
// runs only while the panel exists.
template <class PanelT>
class HostedPanel {
  public:
    void Create(const PanelPlacement& placement) {
        m_embedded.Create(placement, [](wxWindow* parent, int id, const wxPoint& pos,
                                        const wxSize& size, long style, const wxString& name) {
            return new PanelT(parent, id, pos, size, style, name);
        });
    }
    [[nodiscard]] PanelT* Get() const { return static_cast<PanelT*>(m_embedded.Get()); }
    [[nodiscard]] EmbeddedPanel& Embedding() { return m_embedded; }

    // f(panel) when the panel exists, else nothing.
    template <class F>
    void Call(F&& f) const {
        if (PanelT* panel = Get()) {
            std::forward<F>(f)(*panel);
        }
    }
    // f(panel) when the panel exists, else `fallback`.
    template <class R, class F>
    [[nodiscard]] R CallOr(R fallback, F&& f) const {
        PanelT* panel = Get();
        return panel != nullptr ? static_cast<R>(std::forward<F>(f)(*panel)) : fallback;
    }

  private:
    EmbeddedPanel m_embedded;
};
