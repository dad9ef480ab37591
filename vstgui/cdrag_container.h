// The data of a drag in progress over the editor: text, or a list of files.
#pragma once

#include "vstgui/creference_counter.h"
#include "vstgui/platform/platform.h"
#include "vstgui/text_list.h"

namespace VSTGUI {

class CDragContainer : public CReferenceCounter
{
public:
    enum CItemType : int32_t
    {
        kUnknown = -1,
        kFile = 0,
        kText
    };

    // Copies what the platform offers: the data lives as long as the drag.
    explicit CDragContainer(const platform::DragData& data);

    // Text counts as one item, a file list as its number of files.
    int32_t getCount() const { return nbItems; }

    // Walks the items: first, then next until null. size is the item's length
    // in bytes without the terminator; type says what the item is.
    const char* first(int32_t& size, int32_t& type);
    const char* next(int32_t& size, int32_t& type);

private:
    const char* item(int32_t index, int32_t& size, int32_t& type) const;

    int32_t nbItems;
    int32_t iterator = 0;
    CItemType itemType;
    TextList items;
};

} // namespace VSTGUI
