#include "Lv2Description.h"

#include <cstdio>
#include <sstream>

#include "FactoryPresets.h"
#include "Lv2Ports.h"
#include "Parameter.h"
#include "PianoModule.h"

namespace {

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A preset's subject: the plug-in URI and the name in lower case, spaces as dashes.
std::string presetUri(const char* name) {
    std::string uri = std::string(Lv2Ports::kPluginUri) + "#preset-";
    for (const char* c = name; *c != '\0'; ++c) {
        uri += *c == ' ' ? '-' : static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    }
    return uri;
}

}  // namespace

std::string Lv2Description::number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    std::string s = text;
    // Turtle reads a number without a point or exponent as an integer.
    if (s.find_first_of(".e") == std::string::npos) {
        s += ".0";
    }
    return s;
}

std::string Lv2Description::manifest(const std::string& dspBinary,
                                     const std::string& uiBinary) const {
    std::ostringstream t;
    t << kPrefixes;
    t << "<" << Lv2Ports::kPluginUri << ">\n    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
      << "    lv2:binary <" << dspBinary << "> ;\n    rdfs:seeAlso <" << kPluginFile << "> .\n\n";
    t << "<" << Lv2Ports::kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary
      << "> ;\n    rdfs:seeAlso <" << kPluginFile << "> .\n";
    for (const FactoryPresets::Preset& p : FactoryPresets::kAll) {
        t << "\n<" << presetUri(p.name) << ">\n    a pset:Preset ;\n    lv2:appliesTo <"
          << Lv2Ports::kPluginUri << "> ;\n    rdfs:seeAlso <" << kPresetsFile << "> .\n";
    }
    return t.str();
}

std::string Lv2Description::plugin() const {
    std::ostringstream t;
    t << kPrefixes;
    t << "<" << Lv2Ports::kPluginUri << ">\n"
      << "    a lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n"
      << "    doap:name \"Orvane Piano\" ;\n"
      << "    doap:maintainer [ foaf:name \"Orvane\" ] ;\n"
      << "    lv2:minorVersion 0 ;\n    lv2:microVersion 1 ;\n"
      << "    lv2:requiredFeature urid:map ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
      << "    lv2:extensionData state:interface ;\n"
      << "    ui:ui <" << Lv2Ports::kUiUri << "> ;\n"
      << "    lv2:port [\n"
      << "        a lv2:InputPort , atom:AtomPort ;\n"
      << "        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent ;\n"
      << "        lv2:designation lv2:control ;\n"
      << "        lv2:index " << Lv2Ports::kEvents << " ;\n"
      << "        lv2:symbol \"events\" ;\n        lv2:name \"MIDI In\"\n    ] , [\n"
      << "        a lv2:OutputPort , lv2:AudioPort ;\n"
      << "        lv2:index " << Lv2Ports::kLeft << " ;\n"
      << "        lv2:symbol \"out_left\" ;\n        lv2:name \"Left\"\n    ] , [\n"
      << "        a lv2:OutputPort , lv2:AudioPort ;\n"
      << "        lv2:index " << Lv2Ports::kRight << " ;\n"
      << "        lv2:symbol \"out_right\" ;\n        lv2:name \"Right\"\n    ]";
    for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
        const Parameter* p = instrument.parameterAt(slot);
        const Lv2Ports::Control& c = Lv2Ports::kControls[static_cast<size_t>(slot - 1)];
        std::ostringstream port;
        port << "        a lv2:InputPort , lv2:ControlPort ;\n"
             << "        lv2:index " << Lv2Ports::portOf(slot) << " ;\n"
             << "        lv2:symbol \"" << c.symbol << "\" ;\n"
             << "        lv2:name \"" << p->name() << "\" ;\n"
             << "        lv2:default " << number(p->realValue()) << " ;\n"
             << "        lv2:minimum " << number(p->realValueAt(0)) << " ;\n"
             << "        lv2:maximum " << number(p->realValueAt(p->stepCount())) << " ;\n";
        if (c.scale == Lv2Ports::Scale::kInteger) {
            port << "        lv2:portProperty lv2:integer ;\n";
        } else if (c.scale == Lv2Ports::Scale::kLogarithmic) {
            port << "        lv2:portProperty pprops:logarithmic ;\n";
        } else if (c.scale == Lv2Ports::Scale::kLinear) {
            port << "        pprops:rangeSteps " << p->stepCount() + 1 << " ;\n";
        }
        if (c.unit != nullptr) {
            port << "        units:unit <" << c.unit << "> ;\n";
        }
        std::string text = port.str();
        text.resize(text.size() - 3);  // the last " ;\n"
        t << " , [\n" << text << "\n    ]";
    }
    t << " .\n\n<" << Lv2Ports::kUiUri << ">\n    a ui:X11UI ;\n"
      << "    lv2:requiredFeature ui:idleInterface , ui:parent ;\n"
      << "    lv2:extensionData ui:idleInterface .\n";
    return t.str();
}

std::string Lv2Description::presets() const {
    std::ostringstream t;
    t << kPrefixes;
    for (const FactoryPresets::Preset& preset : FactoryPresets::kAll) {
        t << "<" << presetUri(preset.name) << ">\n    a pset:Preset ;\n"
          << "    lv2:appliesTo <" << Lv2Ports::kPluginUri << "> ;\n"
          << "    rdfs:label \"" << preset.name << "\" ;\n"
          << "    rdfs:comment \"" << preset.purpose << "\" ;\n    lv2:port ";
        for (int32_t slot = 1; slot <= Lv2Ports::kControlCount; ++slot) {
            const Parameter* p = instrument.parameterAt(slot);
            const int32_t step = preset.steps[static_cast<size_t>(slot - 1)];
            t << (slot > 1 ? " , " : "") << "[\n        lv2:symbol \""
              << Lv2Ports::kControls[static_cast<size_t>(slot - 1)].symbol
              << "\" ;\n        pset:value " << number(p->realValueAt(step)) << "\n    ]";
        }
        t << " .\n\n";
    }
    return t.str();
}
