// A plug-in library opened from disk and its entry point, behind one
// interface for dlopen and LoadLibrary.
#pragma once

#include "host/vst_interface.h"

#include <memory>
#include <string>

namespace quelt::render {

typedef AEffect*(VSTCALLBACK* PluginEntryProc)(audioMasterCallback host);

class PluginModule
{
public:
    virtual ~PluginModule() = default;

    // VSTPluginMain, or the older name main when that is all the library exports.
    virtual PluginEntryProc entry() const = 0;
    virtual const std::string& path() const = 0;

    // Throws RenderError when the file cannot be loaded or exports no entry point.
    static std::unique_ptr<PluginModule> load(const std::string& path);

    // Quelt.so / Quelt.dll in the directory of the running executable.
    static std::string defaultPluginPath();
};

} // namespace quelt::render
