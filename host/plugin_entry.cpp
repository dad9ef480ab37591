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
