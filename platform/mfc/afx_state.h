// The framework's process-wide state: the application object, the maps
// between handles and objects, and what the window procedure keeps while a
// message is handled. Programs of this framework run their windows on one
// thread, so the state is not locked.
#pragma once

#include <afxwin.h>

#include <map>
#include <memory>
#include <vector>

namespace afx {

// Objects attached to handles (permanent) and objects the framework made
// for handles nobody holds (temporary).
template <class Handle, class Object>
struct HandleMap {
    std::map<Handle, Object*> permanent;
    std::map<Handle, std::unique_ptr<Object>> temporary;

    Object* Permanent(Handle h) const
    {
        auto it = permanent.find(h);
        return it == permanent.end() ? nullptr : it->second;
    }
    Object* Temporary(Handle h) const
    {
        auto it = temporary.find(h);
        return it == temporary.end() ? nullptr : it->second.get();
    }

    // Drops the temporary objects whose handles `alive` says have died.
    // `forget` first takes the handle from each object dropped: the handle
    // is not the temporary object's to destroy.
    template <class Alive, class Forget>
    void DropDead(Alive alive, Forget forget)
    {
        for (auto it = temporary.begin(); it != temporary.end();) {
            if (alive(it->first)) {
                ++it;
                continue;
            }
            forget(*it->second);
            it = temporary.erase(it);
        }
    }
    // Drops every temporary object, `forget` taking its handle first.
    template <class Forget>
    void ClearTemporaries(Forget forget)
    {
        for (auto& entry : temporary) forget(*entry.second);
        temporary.clear();
    }
};

struct State {
    CWinApp* app = nullptr;
    HINSTANCE resourceHandle = nullptr;
    // The message the innermost window procedure call is handling (Default).
    MSG currentMessage = {};
    // The next window created is attached to this object (creation hook).
    CWnd* windowBeingCreated = nullptr;
    HHOOK creationHook = nullptr;
    // Control notifications to this window are ignored (during UpdateData).
    HWND lockoutNotifyWindow = nullptr;
    std::vector<CDynLinkLibrary*> libraries;
    HandleMap<HWND, CWnd> windows;
    HandleMap<HDC, CDC> dcs;
    HandleMap<HGDIOBJ, CGdiObject> gdiObjects;
};

State& GetState();

// The window that should own a message box or a dialog: `parent` when
// given, else the main window; when that window is disabled because a
// modal window of the program is up, the active window instead.
HWND SafeOwner(const CWnd* parent);

// Temporary objects whose handles have died are dropped as new ones are
// made, so that the maps stay as small as the set of live handles.
void DropDeadTemporaryWindows();
void DropDeadTemporaryDcs();
void DropDeadTemporaryGdiObjects();

// Drops all temporary windows, DCs and GDI objects (idle time and the end
// of the program).
void DeleteTempMaps();

}  // namespace afx
