// Pictures for `ondulaxis analyze`: the spectrum of a tone through the
// plug-in, and the aliasing level against the tone's frequency.
#pragma once

#include "SpectrumAnalysis.h"

#include <string>
#include <vector>

namespace ondulaxis::tool {

// The command is built on the host library and names its types unqualified.
using namespace ondulaxis::host;

struct LabelledSpectrum {
    std::string label;  // "1x", "8x"
    Spectrum spectrum;
};

// Log frequency axis, dBFS; the tone and its harmonics as stems, marked
// with their order, apart from the rest (aliases and noise) drawn as a
// line. The last spectrum is drawn on top in full colour, earlier ones
// paler and wider.
std::string spectrumSvg(const std::vector<LabelledSpectrum>& spectra, const std::string& title,
                        const std::string& subtitle);

struct SweepCurve {
    std::string label;
    std::vector<double> frequencies;
    std::vector<double> aliasingDb;
};

std::string sweepSvg(const std::vector<SweepCurve>& curves, const std::string& title, const std::string& subtitle);

}  // namespace ondulaxis::tool
