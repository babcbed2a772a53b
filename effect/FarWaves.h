// Sine and cosine for the vector kernels' chunks with huge phases. SLEEF
// reduces such phases in vector code; the system's libsleef is loaded when
// present, so the plug-in needs nothing beyond glibc to run. Without it the
// chunks take libmvec, which handles them lane by lane: slower, and as exact,
// so the output is the same bits either way.
#pragma once

namespace farWaves {

// SLEEF's sine and cosine of one vector width, or nulls when it lacks either.
// Called while the kernel tables are made, never on the audio thread. Built
// with the baseline flags (FarWaves.cpp), so that no instruction-set file
// lends it instructions another processor lacks.
struct Found {
    void* sin;
    void* cos;
};
Found find(const char* sinName, const char* cosName) noexcept;

}  // namespace farWaves
