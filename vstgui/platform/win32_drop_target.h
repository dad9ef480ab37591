// The OLE drop target of a frame's window on Windows. The system calls it
// while something is dragged over the window; it reads the dragged text or
// file names and reports to the window's drop listener.
#pragma once

#include "vstgui/platform/platform.h"

#include <windows.h>
#include <ole2.h>

// COM interfaces are destroyed through Release, never through a base
// pointer, so they declare no destructor; this class's own is virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class CDropTarget : public IDropTarget
{
public:
    // Starts with no references: whoever keeps it takes the first.
    explicit CDropTarget(VSTGUI::platform::DropListener* listener);
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

    virtual ~CDropTarget();

    // Stops all reports: the window gave up its registration, yet someone
    // may still hold a reference for a while.
    void detach();

    // How many drop targets exist in the module.
    static int32_t liveCount();

private:
    LONG references = 0;
    VSTGUI::platform::DropListener* listener;
    bool dragging = false;
};
#pragma GCC diagnostic pop
