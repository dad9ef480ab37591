// Where the rendered file goes, and how it gets there without risking what is
// already on disk: the target is looked at without being opened, the audio is
// written to a temporary file beside it, and only a finished file replaces it.
#pragma once

#include <string>

namespace quelt::render {

// True when both paths lead to one existing file, whatever spelling, hard
// link or symbolic link leads there.
bool sameFile(const std::string& a, const std::string& b);

class OutputFile
{
public:
    // Refuses a target that exists but is no regular file (a FIFO, a device,
    // a directory) or is read-only, without opening it; then creates the
    // temporary file beside it, so an unwritable directory shows up before
    // the render rather than after. Throws RenderError.
    explicit OutputFile(const std::string& target);
    // Removes the temporary file unless it was committed.
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where the audio is to be written.
    const std::string& temporaryPath() const { return m_temporary; }

    // Puts the finished temporary file in the target's place. A symbolic link
    // as target stays and gets the new file where it points.
    void commit();

private:
    std::string m_target;       // as given, for messages
    std::string m_destination;  // the path that is replaced
    std::string m_temporary;
    bool m_committed = false;
};

} // namespace quelt::render
