// What Quelt tells the host about itself, and the MIDI control changes that
// switch its steps and mode.
#include <cstdio>
#include <cstring>

#include "host/quelt.h"
#include "host/vst_text.h"

namespace
{
constexpr const char* kCapabilities[] = {
    "receiveVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent", "1in2out", "2in2out",
};


bool describePin(VstInt32 index, VstPinProperties* properties, const char* longName, const char* shortName)
{
    if (!properties || static_cast<uint32_t>(index) > 1u)
        return false;
    std::snprintf(properties->label, sizeof properties->label, "Quelt %s %d", longName, static_cast<int>(index) + 1);
    std::snprintf(properties->shortLabel, sizeof properties->shortLabel, "%s %d", shortName,
                  static_cast<int>(index) + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}
}  // namespace

bool Quelt::getInputProperties(VstInt32 index, VstPinProperties* properties)
{
    return describePin(index, properties, "input", "in");
}

bool Quelt::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    return describePin(index, properties, "output", "out");
}

VstInt32 Quelt::processEvents(VstEvents* events)
{
    if (!events)
        return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i)
    {
        // The pointer list runs past its declared length: one entry per event.
        VstEvent* const* list = events->events;
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        if ((static_cast<unsigned char>(midi->midiData[0]) & 0xF0) != 0xB0)
            continue;
        core.controlChange(static_cast<signed char>(midi->midiData[1]), static_cast<signed char>(midi->midiData[2]));
    }
    return 1;
}

bool Quelt::getEffectName(char* name)
{
    vsttext::copy(name, "Quelt", kVstMaxEffectNameLen);
    return name != nullptr;
}

bool Quelt::getVendorString(char* text)
{
    vsttext::copy(text, QueltCore::kVendor, kVstMaxVendorStrLen);
    return text != nullptr;
}

bool Quelt::getProductString(char* text)
{
    vsttext::copy(text, "Quelt", kVstMaxProductStrLen);
    return text != nullptr;
}

#ifndef QUELT_VENDOR_VERSION
#error "QUELT_VENDOR_VERSION must be given: major x 1000 + minor x 100 + patch of the project version"
#endif
VstInt32 Quelt::getVendorVersion() { return QUELT_VENDOR_VERSION; }

VstInt32 Quelt::canDo(char* text)
{
    if (!text)
        return -1;
    for (const char* capability : kCapabilities)
        if (std::strcmp(text, capability) == 0)
            return 1;
    return -1;
}
