#include "plugin_module.h"

#include "render_error.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <utility>

namespace quelt::render {

namespace {

std::string lastErrorText()
{
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length && text ? std::string(text, length) : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ' ||
                               result.back() == '.'))
        result.pop_back();
    return result;
}

class Win32PluginModule : public PluginModule
{
public:
    Win32PluginModule(std::string path, HMODULE handle, PluginEntryProc entry)
        : m_path(std::move(path)), m_handle(handle), m_entry(entry)
    {
    }
    ~Win32PluginModule() override { FreeLibrary(m_handle); }

    PluginEntryProc entry() const override { return m_entry; }
    const std::string& path() const override { return m_path; }

private:
    std::string m_path;
    HMODULE m_handle;
    PluginEntryProc m_entry;
};

} // namespace

std::unique_ptr<PluginModule> PluginModule::load(const std::string& path)
{
    // LoadLibrary wants backslashes; with a path it also looks for the
    // plug-in's own dependencies beside it.
    std::string file = path;
    for (char& c : file)
        if (c == '/')
            c = '\\';
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw RenderError("plug-in '" + path + "' does not exist");
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const std::string reason = handle ? std::string() : lastErrorText();
    SetErrorMode(oldMode);
    if (!handle)
        throw RenderError("cannot load plug-in '" + path + "': " + reason);
    FARPROC symbol = GetProcAddress(handle, "VSTPluginMain");
    if (!symbol)
        symbol = GetProcAddress(handle, "main");
    if (!symbol) {
        FreeLibrary(handle);
        throw RenderError("'" + path + "' is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    }
    return std::make_unique<Win32PluginModule>(path, handle, reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(symbol)));
}

std::string PluginModule::defaultPluginPath()
{
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string directory = ".";
    if (length > 0 && length < MAX_PATH) {
        const std::string exe(buffer, length);
        const std::size_t slash = exe.find_last_of("\\/");
        if (slash != std::string::npos)
            directory = exe.substr(0, slash);
    }
    return directory + "\\Quelt.dll";
}

} // namespace quelt::render
