#include "module/gui_thread.h"

#include <wx/app.h>
#include <wx/thread.h>

#include <stdexcept>
#include <string>
#include <utility>

void RequireGuiThread(const char* className) {
    // wx records the GUI thread when the application starts; before that every thread passes,
    // and the panel constructors refuse to run without an application anyway.
    if (!wxIsMainThread()) {
        throw std::runtime_error(std::string(className) +
                                 " methods must be called from the GUI thread (the thread running "
                                 "the wx event loop); use wx.CallAfter to call them from another "
                                 "thread");
    }
}

bool QueueOnGuiThread(std::function<void()> task) {
    if (wxIsMainThread()) {
        return false;
    }
    wxAppConsole* app = wxAppConsole::GetInstance();
    if (app == nullptr) {
        return false;
    }
    app->CallAfter(std::move(task));
    return true;
}
