#include "vstgui/cdrag_container.h"

#include <cstring>

namespace VSTGUI {

CDragContainer::CDragContainer(const platform::DragData& data)
    : nbItems(0), itemType(kUnknown)
{
    using Kind = platform::DragData::Kind;
    if (data.kind == Kind::none || data.count <= 0 || !data.items)
        return;
    itemType = data.kind == Kind::text ? kText : kFile;
    const int32_t count = itemType == kText ? 1 : data.count;
    for (int32_t i = 0; i < count; ++i)
    {
        const char* text = data.items[i] ? data.items[i] : "";
        items.add(text, std::strlen(text));
    }
    nbItems = count;
}

const char* CDragContainer::item(int32_t index, int32_t& size, int32_t& type) const
{
    if (index < 0 || index >= nbItems)
    {
        size = 0;
        type = kUnknown;
        return nullptr;
    }
    size = static_cast<int32_t>(items.length(static_cast<size_t>(index)));
    type = itemType;
    return items.at(static_cast<size_t>(index));
}

const char* CDragContainer::first(int32_t& size, int32_t& type)
{
    iterator = 0;
    return next(size, type);
}

const char* CDragContainer::next(int32_t& size, int32_t& type) { return item(iterator++, size, type); }

} // namespace VSTGUI
