#include "vstgui/platform/win32_drop_target.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "vstgui/text_list.h"

using VSTGUI::TextList;
using VSTGUI::platform::DragData;

namespace {

LONG gLiveTargets = 0;

// The dragged items, owned here while the listener looks at them.
struct DraggedItems
{
    DragData data;
    TextList texts;
    std::vector<const char*> pointers;

    void finish(DragData::Kind kind)
    {
        data.kind = kind;
        for (size_t i = 0; i < texts.size(); ++i)
            pointers.push_back(texts.at(i));
        data.count = static_cast<int32_t>(pointers.size());
        data.items = pointers.empty() ? nullptr : pointers.data();
    }
};

// One clipboard format asked of the data object in global memory. Whatever
// medium the object hands out is released with this.
class Fetched
{
public:
    Fetched(IDataObject* object, CLIPFORMAT format)
    {
        FORMATETC request = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        result = object->GetData(&request, &medium);
    }
    ~Fetched()
    {
        if (SUCCEEDED(result))
            ReleaseStgMedium(&medium);
    }
    Fetched(const Fetched&) = delete;
    Fetched& operator=(const Fetched&) = delete;

    // The block, when the object answered with one.
    HGLOBAL memory() const { return result == S_OK && medium.tymed == TYMED_HGLOBAL ? medium.hGlobal : nullptr; }
    bool found() const { return result == S_OK; }

private:
    STGMEDIUM medium = {};
    HRESULT result;
};

void addTextOf(HGLOBAL memory, TextList& texts)
{
    const auto* text = memory ? static_cast<const char*>(GlobalLock(memory)) : nullptr;
    if (!text)
    {
        texts.add("", 0);
        return;
    }
    // The block need not hold a terminator of its own.
    texts.add(text, strnlen(text, GlobalSize(memory)));
    GlobalUnlock(memory);
}

void addFileNamesOf(HGLOBAL memory, TextList& texts)
{
    if (!memory)
        return;
    HDROP drop = static_cast<HDROP>(memory);
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<char> name;
    for (UINT i = 0; i < count; ++i)
    {
        name.assign(DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
        texts.add(name.data(), DragQueryFileA(drop, i, name.data(), static_cast<UINT>(name.size())));
    }
}

// Text if the data offers text, else the file list if it offers one.
void readItems(IDataObject* object, DraggedItems& out)
{
    {
        Fetched text(object, CF_TEXT);
        if (text.found())
        {
            addTextOf(text.memory(), out.texts);
            out.finish(DragData::Kind::text);
            return;
        }
    }
    Fetched files(object, CF_HDROP);
    if (files.found())
    {
        addFileNamesOf(files.memory(), out.texts);
        out.finish(DragData::Kind::files);
        return;
    }
    out.finish(DragData::Kind::none);
}

} // namespace

CDropTarget::CDropTarget(VSTGUI::platform::DropListener* listener) : listener(listener)
{
    InterlockedIncrement(&gLiveTargets);
}

CDropTarget::~CDropTarget() { InterlockedDecrement(&gLiveTargets); }

HRESULT STDMETHODCALLTYPE CDropTarget::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown))
    {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references)); }

ULONG STDMETHODCALLTYPE CDropTarget::Release()
{
    const LONG left = InterlockedDecrement(&references);
    if (left > 0)
        return static_cast<ULONG>(left);
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect)
{
    dragging = false;
    if (data && listener)
    {
        // The items live until the listener has seen them. Nothing may
        // escape into the system's caller: a failure refuses the drag.
        try
        {
            DraggedItems items;
            readItems(data, items);
            dragging = listener->dropEnter(items.data);
        }
        catch (...)
        {
            dragging = false;
        }
    }
    if (effect)
        *effect = dragging ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD, POINTL, DWORD* effect)
{
    if (!dragging || !listener)
        return S_OK;
    listener->dropOver();
    if (effect)
        *effect = DROPEFFECT_MOVE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave()
{
    if (!dragging || !listener)
        return S_OK;
    dragging = false;
    listener->dropLeave();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD*)
{
    if (!dragging || !listener)
        return S_OK;
    dragging = false;
    listener->dropDrop();
    return S_OK;
}

void CDropTarget::detach()
{
    listener = nullptr;
    dragging = false;
}

int32_t CDropTarget::liveCount() { return static_cast<int32_t>(InterlockedCompareExchange(&gLiveTargets, 0, 0)); }
