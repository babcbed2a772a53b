// Build step: writes a plug-in's Turtle description with its control ports
// from the parameter records, so that the names, ranges and defaults a host
// reads are the ones the adapter converts with, and its name, description
// and home page from its identity, as every other format shows them. What
// only LV2 shows (the comments, units and port properties) is kept here.
//   ondulaxis_lv2_ports plain|hq TEMPLATE OUT
// TEMPLATE is the configured description with %CONTROL_PORTS%, %NAME%,
// %DESCRIPTION% and %HOME_PAGE% where those go. Exits 1 with a message when
// it cannot write OUT.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "HQIdentity.h"
#include "HQParameters.h"

namespace {

struct PortLook {
    const char* name;
    const char* comment;  // empty: none
    bool logarithmic;
};

constexpr PortLook looks[] = {
    {"ZeroX", "Sine shape of either sign when on; raised cosine keeping the input's sign when off.", false},
    {"InGain", "", false},
    {"SlewLim",
     "Largest step of the tracked signal per sample, in percent of full scale; above 99.9 the limiter is off "
     "(99.9 itself still limits).",
     true},
    {"FuncMix", "Cross-fade from the plain saturating curve (0) to the sinusoid (100).", false},
    {"AmpMin", "Sinusoid amplitude at silence.", false},
    {"FreqMin", "Linear phase term.", true},
    {"FreqDif", "Power phase term.", false},
    {"OutGain", "", false},
    {"Oversample",
     "Factor of the rate the effect runs at; more costs more and delays more, and folds back less.", false},
    {"DryWet", "Share of the effect's output against the input, delayed alike.", false},
};

const PortLook* lookOf(const char* name) {
    for (const PortLook& look : looks) {
        if (std::strcmp(look.name, name) == 0) return &look;
    }
    return nullptr;
}

const char* unitOf(const char* label) {
    if (std::strcmp(label, "dB") == 0) return "units:db";
    if (std::strcmp(label, "%") == 0) return "units:pc";
    if (std::strcmp(label, "cycles") == 0) return "<https://ondulaxis.example/lv2/units#cycles>";
    return nullptr;
}

// The shortest text a host parses back to the same float; continuous ports
// always carry a decimal point.
std::string number(double value, bool integer) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(value));
    std::string written(text, result.ptr);
    if (!integer && written.find_first_of(".e") == std::string::npos) written += ".0";
    return written;
}

std::string ports(const ParameterTable& table) {
    std::ostringstream out;
    for (int32_t index = 0; index < table.count(); ++index) {
        const ParameterRecord& record = *table.find(index);
        const PortLook* look = lookOf(record.name);
        if (look == nullptr) throw std::runtime_error(std::string("no LV2 look for ") + record.name);
        const bool toggle = record.steps == 1;
        const bool integer = record.steps > 0;
        out << (index == 0 ? "[\n" : " , [\n") << "\t\ta lv2:InputPort , lv2:ControlPort ;\n"
            << "\t\tlv2:index " << index << " ;\n\t\tlv2:symbol \"" << record.name << "\" ;\n\t\tlv2:name \""
            << record.name << "\" ;\n";
        if (*look->comment != '\0') out << "\t\trdfs:comment \"" << look->comment << "\" ;\n";
        out << "\t\tlv2:default " << number(parameterValues::displayDefault(record), integer)
            << " ;\n\t\tlv2:minimum " << number(record.displayMinimum, integer) << " ;\n\t\tlv2:maximum "
            << number(record.displayMaximum, integer);
        if (const char* unit = unitOf(record.label)) out << " ;\n\t\tunits:unit " << unit;
        if (toggle) {
            out << " ;\n\t\tlv2:portProperty lv2:toggled";
        } else if (integer) {
            // A stepped value shows only its steps, each with its display text.
            out << " ;\n\t\tlv2:portProperty lv2:integer , lv2:enumeration ;\n\t\tlv2:scalePoint ";
            for (int32_t k = 0; k <= record.steps; ++k) {
                const float value = static_cast<float>(k) / static_cast<float>(record.steps);
                char text[maxParameterText + 1];
                record.format(value, text);
                out << (k == 0 ? "" : " ,\n\t\t\t") << "[ rdfs:label \"" << text << "\" ; rdf:value "
                    << number(parameterValues::displayOf(record, value), true) << " ]";
            }
        }
        if (look->logarithmic) out << " ;\n\t\tlv2:portProperty pprops:logarithmic";
        // The top of a range that switches something off is named.
        char top[maxParameterText + 1];
        record.format(1.0f, top);
        if (!integer && (top[0] < '0' || top[0] > '9') && top[0] != '-') {
            out << " ;\n\t\tlv2:scalePoint [\n\t\t\trdfs:label \"" << top << "\" ;\n\t\t\trdf:value "
                << number(record.displayMaximum, false) << "\n\t\t]";
        }
        out << "\n\t]";
    }
    return out.str();
}

// Puts `text` where `placeholder` stands in `turtle`, which must have it.
void fill(std::string& turtle, const std::string& placeholder, const std::string& text, const char* path) {
    const std::size_t at = turtle.find(placeholder);
    if (at == std::string::npos) throw std::runtime_error(std::string(path) + ": no " + placeholder);
    turtle.replace(at, placeholder.size(), text);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc != 4 || (std::strcmp(argv[1], "plain") != 0 && std::strcmp(argv[1], "hq") != 0)) {
            std::cerr << "usage: ondulaxis_lv2_ports plain|hq TEMPLATE OUT\n";
            return 2;
        }
        std::ifstream in(argv[2]);
        std::stringstream text;
        text << in.rdbuf();
        std::string turtle = text.str();
        if (!in) throw std::runtime_error(std::string(argv[2]) + ": cannot read");
        const bool hq = std::strcmp(argv[1], "hq") == 0;
        const PluginIdentity& identity = hq ? ondulaxisHQIdentity : ondulaxisIdentity;
        fill(turtle, "%NAME%", identity.name, argv[2]);
        fill(turtle, "%DESCRIPTION%", identity.description, argv[2]);
        fill(turtle, "%HOME_PAGE%", identity.homePage, argv[2]);
        fill(turtle, "%CONTROL_PORTS%", ports(hq ? ondulaxisHQLv2Parameters : ondulaxisParameters), argv[2]);
        std::ofstream out(argv[3]);
        out << turtle;
        if (!out.flush()) throw std::runtime_error(std::string(argv[3]) + ": cannot write");
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "ondulaxis_lv2_ports: " << error.what() << "\n";
        return 1;
    }
}
