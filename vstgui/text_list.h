// Texts kept one after another in one block, each with its terminator: the
// items of a drag. Lets the toolkit hold them without a string class.
#pragma once

#include <cstddef>
#include <vector>

namespace VSTGUI {

class TextList
{
public:
    // Copies length bytes of text and a terminator.
    void add(const char* text, size_t length)
    {
        starts.push_back(block.size());
        block.insert(block.end(), text, text + length);
        block.push_back('\0');
    }
    size_t size() const { return starts.size(); }
    // Valid until the next add.
    const char* at(size_t index) const { return block.data() + starts[index]; }
    size_t length(size_t index) const
    {
        return (index + 1 < starts.size() ? starts[index + 1] : block.size()) - starts[index] - 1;
    }

private:
    std::vector<char> block;
    std::vector<size_t> starts;
};

} // namespace VSTGUI
