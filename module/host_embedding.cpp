#include "module/host_embedding.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#include <gtk/gtk.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace {

// Process-wide state of every wrapper-owned panel.
bool s_appSeen = false;         // the wx application has been seen once
int s_nextWindowId = 10000;     // next automatic window id, shared with the hidden frame
wxFrame* s_hiddenFrame = nullptr;
int s_livePanelCount = 0;       // wrapper-owned panels not yet destroyed

// wx deletes top-level windows itself at application shutdown, possibly before the last
// wrapper goes away; the frame pointer must not outlive the frame.
void OnHiddenFrameDestroyed(wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == s_hiddenFrame) {
        s_hiddenFrame = nullptr;
    }
    event.Skip();
}

// A host may delete its wx application object (wx.App.Destroy) while panels live; wxGTK then
// crashes taking a window out of its parent. Windows are left to the ending process instead.
bool CanDestroyWindows() { return wxAppConsole::GetInstance() != nullptr; }

void DestroyHiddenFrameIfUnused() {
    if (s_livePanelCount <= 0 && s_hiddenFrame != nullptr) {
        wxFrame* frame = s_hiddenFrame;
        s_hiddenFrame = nullptr;
        frame->Unbind(wxEVT_DESTROY, &OnHiddenFrameDestroyed);
        if (CanDestroyWindows()) {
            frame->Destroy();
        }
    }
}

// The first window, depth first, of the tree under `window` that `match` accepts.
wxWindow* FindInTree(wxWindow* window, const std::function<bool(wxWindow*)>& match) {
    if (match(window)) {
        return window;
    }
    for (wxWindow* child : window->GetChildren()) {
        if (wxWindow* found = FindInTree(child, match)) {
            return found;
        }
    }
    return nullptr;
}

// The same over every top-level window, leaving out the hidden frame when asked to.
wxWindow* FindInAllWindows(const std::function<bool(wxWindow*)>& match, bool skipHiddenFrame) {
    for (wxWindow* top : wxTopLevelWindows) {
        if (skipHiddenFrame && top == s_hiddenFrame) {
            continue;
        }
        if (wxWindow* found = FindInTree(top, match)) {
            return found;
        }
    }
    return nullptr;
}

// The X11 window id of a wx window's GDK window, 0 when it has none. With `nativeOnly`, a
// client-side window counts as having none: asking it for its XID would make it native as a
// side effect.
std::uintptr_t X11WindowId(wxWindow* window, bool nativeOnly) {
#ifdef GDK_WINDOWING_X11
    if (!GdkRunsOnX11() || window == nullptr || window->GetHandle() == nullptr) {
        return 0;
    }
    GdkWindow* gdkWindow = gtk_widget_get_window(window->GetHandle());
    if (gdkWindow == nullptr || !GDK_IS_X11_WINDOW(gdkWindow) ||
        (nativeOnly && !gdk_window_has_native(gdkWindow))) {
        return 0;
    }
    return static_cast<std::uintptr_t>(gdk_x11_window_get_xid(gdkWindow));
#else
    (void)window;
    (void)nativeOnly;
    return 0;
#endif
}

bool HasNativeHandle(wxWindow* window, std::uintptr_t handle) {
    return X11WindowId(window, true) == handle;
}

void CheckWxAppFirstUse() {
    if (!s_appSeen) {
        if (wxAppConsole::GetInstance() == nullptr) {
            throw std::runtime_error(
                "MovraModule on macOS requires 'import wx' before 'import MovraModule'.");
        }
        s_appSeen = true;
    }
}

void CheckParentHandle(std::uintptr_t parentHandle) {
    if (parentHandle == 0) {
        throw std::runtime_error(
            "parent_handle cannot be 0. Pass the handle of a wxPython window.");
    }
    // Elsewhere a handle is the top-level window's surface, the same for the frame and every
    // window in it, so it cannot say which window the panel goes in.
    if (!GdkRunsOnX11()) {
        throw std::runtime_error(
            "parent_handle: under Wayland a native handle names only the top-level window, not "
            "a window inside it; pass the wx.Window object instead (e.g. "
            "MovraROIAdvPanel(panel, width=640, height=480))");
    }
}

int TakeWindowId(int id) { return id < 0 ? s_nextWindowId++ : id; }

void CheckWxAppInstance() {
    if (wxAppConsole::GetInstance() == nullptr) {
        throw std::runtime_error("wxApp not initialized");
    }
}

wxFrame* GetHiddenFrame() {
    if (s_hiddenFrame != nullptr) {
        return s_hiddenFrame;
    }
    const int id = s_nextWindowId++;
    s_hiddenFrame = new wxFrame(nullptr, id, L"MovraModule Hidden Frame", wxDefaultPosition,
                                wxSize(1, 1), wxFRAME_NO_TASKBAR, wxFrameNameStr);
    s_hiddenFrame->Bind(wxEVT_DESTROY, &OnHiddenFrameDestroyed);
    s_hiddenFrame->Show(false);
    return s_hiddenFrame;
}

// Moves `panel` under `host` at the given place and shows it; false when there is no host to go
// under (the panel is then left where it was).
bool EmbedPanelInHost(wxWindow* panel, wxWindow* host, const wxRect& place) {
    // The hidden frame is our own; a panel "embedded" there would never be seen.
    if (host == nullptr || host == panel || host == s_hiddenFrame) {
        return false;
    }
    panel->Reparent(host);
    panel->SetSize(place, wxSIZE_AUTO);
    panel->Show(true);
    return true;
}

bool IsAtAddress(wxWindow* window, const void* address) {
    // wxPython hands out the address of the object as its own class; for every window class
    // that is the wxWindow part, but the most derived address is accepted too.
    return static_cast<const void*>(window) == address ||
           dynamic_cast<const void*>(window) == address;
}

void DiscardUnembeddedPanel(wxWindow* panel) {
    if (panel != nullptr) {
        panel->Destroy();
    }
    DestroyHiddenFrameIfUnused();
}

}  // namespace

bool GdkRunsOnX11() {
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    return display != nullptr && GDK_IS_X11_DISPLAY(display);
#else
    return false;
#endif
}

std::uintptr_t NativeHandleOf(wxWindow* window) { return X11WindowId(window, false); }

wxWindow* FindWindowByNativeHandle(std::uintptr_t handle) {
    if (handle == 0) {
        return nullptr;
    }
    return FindInAllWindows([handle](wxWindow* w) { return HasNativeHandle(w, handle); }, false);
}

wxWindow* FindLiveWindow(const void* address) {
    if (address == nullptr) {
        return nullptr;
    }
    return FindInAllWindows([address](wxWindow* w) { return IsAtAddress(w, address); }, true);
}

bool IsGoingAway(wxWindow* window) {
    for (wxWindow* w = window; w != nullptr; w = w->GetParent()) {
        // A destroyed top-level window lingers until the next idle time, merely hidden.
        if (w->IsBeingDeleted() ||
            (wxTheApp != nullptr && wxTheApp->IsScheduledForDestruction(w))) {
            return true;
        }
    }
    return false;
}

void EmbeddedPanel::Create(const PanelPlacement& placement, const PanelFactory& make) {
    Release();
    CheckWxAppFirstUse();
    if (placement.parentWindow == nullptr) {
        CheckParentHandle(placement.parentHandle);
    }
    const int windowId = TakeWindowId(placement.id);
    const int w = placement.width > 0 ? placement.width : 400;
    const int h = placement.height > 0 ? placement.height : 300;
    CheckWxAppInstance();
    wxFrame* parent = GetHiddenFrame();
    // The caller's own position and size, -1 meaning wx's default; the embedding below applies
    // the module's defaults. Other negatives, which GTK refuses, count as -1.
    wxWindow* panel =
        make(parent, windowId, wxPoint(std::max(placement.x, -1), std::max(placement.y, -1)),
             wxSize(std::max(placement.width, -1), std::max(placement.height, -1)),
             placement.style, wxString::FromUTF8(placement.name));
    // A host given as a window is embedded in at once, whether it is shown (has a handle) yet
    // or not.
    wxWindow* host = placement.parentWindow != nullptr
                         ? placement.parentWindow
                         : FindWindowByNativeHandle(placement.parentHandle);
    const wxRect place(std::max(placement.x, 0), std::max(placement.y, 0), w, h);
    if (!EmbedPanelInHost(panel, host, place)) {
        DiscardUnembeddedPanel(panel);
        throw std::runtime_error("parent_handle does not belong to a wx window of this process");
    }
    m_panel = panel;
    m_panel->Bind(wxEVT_DESTROY, &EmbeddedPanel::OnDestroy, this);
    s_livePanelCount += 1;
}

void EmbeddedPanel::Release(bool deferred) {
    if (m_panel == nullptr) {
        return;
    }
    wxWindow* panel = m_panel;
    panel->Unbind(wxEVT_DESTROY, &EmbeddedPanel::OnDestroy, this);
    Forget();
    if (!CanDestroyWindows()) {
        // Left to the ending process (see CanDestroyWindows).
    } else if (deferred) {
        // Deleting a window inside its own event handler would pull the handler's object away
        // under it. The weak reference covers the panel being destroyed with its host first.
        panel->Hide();
        wxWeakRef<wxWindow> later(panel);
        wxTheApp->CallAfter([later] {
            if (later) {
                later->Destroy();
            }
        });
    } else {
        panel->Destroy();
    }
    DestroyHiddenFrameIfUnused();
}

void EmbeddedPanel::Forget() {
    m_panel = nullptr;
    s_livePanelCount -= 1;
}

void EmbeddedPanel::OnDestroy(wxWindowDestroyEvent& event) {
    event.Skip();
    // The destroy event of a child window travels up to its parents: only our panel counts.
    if (m_panel == nullptr || event.GetEventObject() != m_panel) {
        return;
    }
    Forget();
    DestroyHiddenFrameIfUnused();
    if (m_goneHook) {
        m_goneHook();
    }
}
