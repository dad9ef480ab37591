// The library's exported entry point: VSTPluginMain, also exported as main.
#include "host/plugin_entry.h"

#include "host/audio_effect.h"
#include "host/vst_interface.h"

#if defined(_WIN32)
#include <windows.h>
#define QUELT_EXPORT
#else
#define QUELT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUELT_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}

#if defined(_WIN32)
// The module definition file exports VSTPluginMain a second time as "main".
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    hInstance = instance;
    return TRUE;
}
#else
// Older hosts look the entry point up as "main".
extern "C" QUELT_EXPORT AEffect* quelt_main_entry(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif

#if defined(_WIN32)
// What the C++ runtime would otherwise link in for failures the plug-in never
// lets happen, to keep the DLL small: the default answer to an escaped
// exception prints its type through the whole name demangler (45 KB), and the
// containers' length checks report through the string-based exception classes
// (70 KB). A container can only fail them when asked for more than the address
// space holds, and no exception may escape to the host anyway: ending is enough.
#include <cstdlib>
#include <new>
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}
namespace std {
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
// The rest of the runtime's file of these, as the runtime has them.
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
}
#endif
