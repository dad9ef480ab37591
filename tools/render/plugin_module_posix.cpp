#include "plugin_module.h"

#include "render_error.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <utility>

namespace quelt::render {

namespace {

class PosixPluginModule : public PluginModule
{
public:
    PosixPluginModule(std::string path, void* handle, PluginEntryProc entry)
        : m_path(std::move(path)), m_handle(handle), m_entry(entry)
    {
    }
    ~PosixPluginModule() override { dlclose(m_handle); }

    PluginEntryProc entry() const override { return m_entry; }
    const std::string& path() const override { return m_path; }

private:
    std::string m_path;
    void* m_handle;
    PluginEntryProc m_entry;
};

} // namespace

std::unique_ptr<PluginModule> PluginModule::load(const std::string& path)
{
    // dlopen searches the library path for a bare name; a plug-in path is a file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    if (access(file.c_str(), F_OK) != 0)
        throw RenderError("plug-in '" + path + "' does not exist");
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        throw RenderError("cannot load plug-in '" + path + "': " + (reason ? reason : "unknown error"));
    }
    void* symbol = dlsym(handle, "VSTPluginMain");
    if (!symbol)
        symbol = dlsym(handle, "main");
    if (!symbol) {
        dlclose(handle);
        throw RenderError("'" + path + "' is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    }
    PluginEntryProc entry;
    static_assert(sizeof entry == sizeof symbol, "function and data pointers differ in size");
    std::memcpy(&entry, &symbol, sizeof entry);
    return std::make_unique<PosixPluginModule>(path, handle, entry);
}

std::string PluginModule::defaultPluginPath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string directory = ".";
    if (length > 0) {
        const std::string exe(buffer, static_cast<std::size_t>(length));
        const std::size_t slash = exe.find_last_of('/');
        if (slash != std::string::npos)
            directory = exe.substr(0, slash);
    }
    // Beside the program in a build tree; where a package put it otherwise.
    const std::string beside = directory + "/Quelt.so";
    const char* const installed = "/usr/lib/vst/Quelt.so";
    if (access(beside.c_str(), F_OK) != 0 && access(installed, F_OK) == 0)
        return installed;
    return beside;
}

} // namespace quelt::render
