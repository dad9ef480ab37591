// Writes the bundle's Turtle: manifest.ttl, quelt.ttl (the plug-in, its ports
// and its UI) and presets.ttl (the 16 factory programs). Names, defaults and
// programs come from the effect core itself, so the bundle says what the
// plug-in does.
//   quelt_lv2_ttl BUNDLE_DIR DSP_BINARY UI_BINARY
#include <cstdio>
#include <fstream>
#include <string>

#include "effect/quelt_core.h"
#include "lv2/quelt_lv2_ports.h"

#ifndef QUELT_VERSION_MINOR
#error "QUELT_VERSION_MINOR and QUELT_VERSION_MICRO must be given"
#endif

namespace {

using namespace quelt_lv2;

const char* const kPrefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix foaf: <http://xmlns.com/foaf/0.1/> .
@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix rdf:  <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix time: <http://lv2plug.in/ns/ext/time#> .
@prefix ui:   <http://lv2plug.in/ns/extensions/ui#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .

)";

std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

std::string presetUri(int program)
{
    char text[64];
    std::snprintf(text, sizeof text, "<%s#preset%02d>", kPluginUri, program + 1);
    return text;
}

std::string symbol(int parameter)
{
    return parameter == kModeParam ? "mode" : "gate_" + std::to_string(parameter + 1);
}

std::string audioPort(const char* direction, uint32_t index, const char* symbol, const char* name)
{
    return std::string("[\n        a lv2:") + direction + " , lv2:AudioPort ;\n        lv2:index " +
           std::to_string(index) + " ;\n        lv2:symbol \"" + symbol + "\" ;\n        lv2:name \"" + name +
           "\"\n    ]";
}

void writePlugin(std::ofstream& out, const QueltCore& core)
{
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:GatePlugin ;\n"
        << "    doap:name \"Quelt\" ;\n"
        << "    lv2:project <urn:quelt> ;\n"
        << "    rdfs:comment \"A tempo-synced 16-step gate: one gain envelope for both channels, a sixteenth note "
           "per step, locked to the host's song position and tempo.\" ;\n"
        << "    lv2:minorVersion " << QUELT_VERSION_MINOR << " ;\n"
        << "    lv2:microVersion " << QUELT_VERSION_MICRO << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port " << audioPort("InputPort", kInLeft, "in_l", "In L") << " , "
        << audioPort("InputPort", kInRight, "in_r", "In R") << " , "
        << audioPort("OutputPort", kOutLeft, "out_l", "Out L") << " , "
        << audioPort("OutputPort", kOutRight, "out_r", "Out R");
    for (int i = 0; i < kNumParams; ++i)
    {
        char name[32];
        QueltCore::parameterName(i, name, sizeof name);
        out << " , [\n        a lv2:InputPort , lv2:ControlPort ;\n"
            << "        lv2:index " << parameterPort(i) << " ;\n"
            << "        lv2:symbol \"" << symbol(i) << "\" ;\n"
            << "        lv2:name \"" << name << "\" ;\n"
            << "        lv2:default " << number(core.program(0).params[i].load()) << " ;\n"
            << "        lv2:minimum 0.0 ;\n        lv2:maximum 1.0";
        if (i == kModeParam)
            out << " ;\n        lv2:scalePoint [ rdfs:label \"HOLD\" ; rdf:value 0.0 ] , "
                   "[ rdfs:label \"DECAY\" ; rdf:value 1.0 ]";
        out << "\n    ]";
    }
    out << " , [\n        a lv2:InputPort , atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:index " << kControl << " ;\n"
        << "        lv2:symbol \"control\" ;\n"
        << "        lv2:name \"Control\"\n    ] , [\n"
        << "        a lv2:OutputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << kStep << " ;\n"
        << "        lv2:symbol \"step\" ;\n"
        << "        lv2:name \"Playing step\" ;\n"
        << "        rdfs:comment \"The step the song plays, 1 to 16; 0 while it stands still.\" ;\n"
        << "        lv2:portProperty lv2:integer ;\n"
        << "        lv2:default 0 ;\n        lv2:minimum 0 ;\n        lv2:maximum 16\n    ] .\n\n";

    out << "<urn:quelt>\n    a doap:Project ;\n    doap:name \"Quelt\" ;\n"
        << "    doap:maintainer [ a foaf:Organization ; foaf:name \"" << QueltCore::kVendor << "\" ] .\n\n";

    out << "<" << kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize , ui:touch , ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface";
    for (int i = 0; i <= kNumParams; ++i)
        out << " ;\n    ui:portNotification [ ui:plugin <" << kPluginUri << "> ; lv2:symbol \""
            << (i < kNumParams ? symbol(i) : "step") << "\" ; ui:protocol ui:floatProtocol ]";
    out << " .\n";
}

void writePresets(std::ofstream& out, const QueltCore& core)
{
    out << kPrefixes;
    for (int p = 0; p < kNumPrograms; ++p)
    {
        const QueltProgram& program = core.program(p);
        out << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label \"" << program.name << "\" ;\n    lv2:port ";
        for (int i = 0; i < kNumParams; ++i)
            out << (i ? " , " : "") << "[ lv2:symbol \"" << symbol(i) << "\" ; pset:value "
                << number(program.params[i].load()) << " ]";
        out << " .\n\n";
    }
}

void writeManifest(std::ofstream& out, const char* dsp, const char* ui)
{
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << dsp
        << "> ;\n    rdfs:seeAlso <quelt.ttl> .\n\n";
    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << ui << "> ;\n    rdfs:seeAlso <quelt.ttl> .\n";
    for (int p = 0; p < kNumPrograms; ++p)
        out << "\n" << presetUri(p) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: %s BUNDLE_DIR DSP_BINARY UI_BINARY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const QueltCore core;
    std::ofstream manifest(dir + "/manifest.ttl"), plugin(dir + "/quelt.ttl"), presets(dir + "/presets.ttl");
    writeManifest(manifest, argv[2], argv[3]);
    writePlugin(plugin, core);
    writePresets(presets, core);
    return manifest && plugin && presets ? 0 : 1;
}
