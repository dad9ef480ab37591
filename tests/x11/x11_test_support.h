// Pieces of the tests that drive real X11 windows: pixels read back from a
// window, pointer input faked through XTest, and a hand-written XDND drag source.
// Pointer and XdndSource each use their own display connection, so they can run
// on another thread while the test's main thread idles the application.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace x11test {

// The window's top-left width x height pixels as 0x00RRGGBB, rows top to bottom;
// empty when the window cannot be read (unmapped, off screen, too small, not TrueColor).
std::vector<uint32_t> grab(Display* display, Window window, int width, int height);

// The windows right below parent, bottom to top.
std::vector<Window> children(Display* display, Window parent);

// "file:///..." line per path, each ended by CRLF, bytes outside [A-Za-z0-9-._~/] percent-encoded.
std::string fileUriList(const std::vector<std::string>& paths);

// Fakes pointer input in root coordinates; every call waits until the server has it.
class Pointer
{
public:
    Pointer();
    ~Pointer();
    Pointer(const Pointer&) = delete;
    Pointer& operator=(const Pointer&) = delete;

    bool ok() const { return display_ != nullptr; }
    void moveTo(int rootX, int rootY);
    void press(int button);   // buttons 1..5, others ignored
    void release(int button);
    void click(int rootX, int rootY, int button);   // move, rest, press, hold, release

private:
    Display* display_ = nullptr;
};

// One XDND (version 5) drag onto a single target window, run on its own thread.
class XdndSource
{
public:
    using Offer = std::pair<std::string, std::string>;   // MIME type, data

    XdndSource(Window target, std::vector<Offer> offers);
    ~XdndSource();   // stops and joins a drag still running
    XdndSource(const XdndSource&) = delete;
    XdndSource& operator=(const XdndSource&) = delete;

    // Enter, two positions each awaiting a status, then drop (serving the data until
    // XdndFinished) or leave. Does nothing if already started.
    void start(int rootX, int rootY, bool dropIt);
    // True once the drag thread has ended and been joined.
    bool join(int timeoutMs);

    bool sawStatus() const { return statusCount_ > 0; }
    bool accepted() const { return accepted_; }   // from the latest XdndStatus
    Atom action() const { return action_; }       // from the latest XdndStatus
    bool finished() const { return finished_; }
    bool finishedAccepted() const { return finishedAccepted_; }
    int statusCount() const { return statusCount_; }
    int selectionRequests() const { return selectionRequests_; }
    std::string log() const;   // what the drag saw and did, once it has ended

private:
    void run(int rootX, int rootY, bool dropIt);
    void note(const std::string& line) { log_ += line + "\n"; }

    Window target_;
    std::vector<Offer> offers_;
    std::thread thread_;
    std::string log_;   // written by the drag thread only, read once done_ is set
    std::atomic<bool> done_{false}, stop_{false};
    std::atomic<bool> accepted_{false}, finished_{false}, finishedAccepted_{false};
    std::atomic<Atom> action_{None};
    std::atomic<int> statusCount_{0}, selectionRequests_{0};
};

} // namespace x11test
