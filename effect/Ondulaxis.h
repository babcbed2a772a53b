// The sinusoidal distortion effect: identity, parameters, the mailbox between
// host threads and the audio thread, routing, and the block kernels.
#pragma once

#include <cstdint>

#include "AudioEffectX.h"
#include "ControlState.h"
#include "ParameterRecords.h"
#include "PluginIdentity.h"
#include "StateLock.h"

class Ondulaxis : public AudioEffectX {
public:
    // [host thread, from the entry point] throws std::runtime_error when the
    // lock cannot be created.
    explicit Ondulaxis(audioMasterCallback audioMaster);
    // [host thread, effClose] nothing else may run on the instance meanwhile.
    ~Ondulaxis() override;

    // [any host thread] takes stateLock. A value waits in its pending slot until
    // the next block; NaN means no change. Bad indexes are ignored.
    void setParameter(int32_t index, float value) override;
    // [any host thread] takes stateLock; a value still waiting for a block if
    // there is one, else the one last applied; 0 for a bad index.
    float getParameter(int32_t index) override;

    // [audio thread] block prologue, then one kernel over the block; adds into
    // the outputs. Takes stateLock only for the hand-over.
    void process(float** inputs, float** outputs, int32_t sampleFrames) noexcept override;
    // [audio thread] as process, but writes the outputs.
    void processReplacing(float** inputs, float** outputs,
                          int32_t sampleFrames) noexcept override;

    // [any host thread] the single program stays number 0.
    void setProgram(int32_t program) override;
    // [any host thread] takes stateLock; keeps at most 31 characters.
    void setProgramName(char* name) override;
    // [any host thread] takes stateLock.
    void getProgramName(char* name) override;
    // [any host thread] no lock; constant tables. Bad index: empty text.
    void getParameterLabel(int32_t index, char* label) override;
    // [any host thread] takes stateLock only to read the value.
    void getParameterDisplay(int32_t index, char* text) override;
    // [any host thread] no lock; constant tables. Bad index: empty text.
    void getParameterName(int32_t index, char* text) override;
    // [any host thread] sets the parameter from a text as a user types it
    // (the display text, a number in its units, with or without the label);
    // false, and nothing set, for a text that is no value of it.
    bool string2parameter(int32_t index, char* text) override;
    // [any thread] the records of this plug-in's parameters; a variant with
    // parameters of its own extends them.
    const ParameterTable& parameterTable() const noexcept { return parameters; }
    // [host thread, effMainsChanged] takes stateLock while it asks the host for
    // its connections; throws std::runtime_error, after leaving the lock, when
    // they cannot be processed (the effect is then off until a resume with
    // connections it can process switches it on again).
    void resume() override;

    // [any host thread] takes stateLock.
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    int32_t getPlugCategory() override;
    // [any host thread] takes stateLock; the next block picks the kernel.
    bool setBypass(bool onOff) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    // [any host thread] 1 yes, -1 no, 0 unknown; exact, case-sensitive match.
    int32_t canDo(char* text) override;

    // [any host thread] takes stateLock.
    bool isActive();

    // [any thread] frames the output may outlast the input at these
    // normalised values (one per parameter, in order); endlessTail when a
    // silent input still sounds.
    static uint32_t tailFrames(const float* normalisedValues) noexcept;
    static constexpr uint32_t endlessTail = 0x7FFFFFFF;

    // Instruction sets the kernels are built for. Construction picks the best
    // one the processor runs, or the one ONDULAXIS_KERNELS names (reference,
    // generic, avx2, avx512) when the processor runs it.
    enum class KernelPath : uint8_t { reference, generic, avx2, avx512 };
    // [any thread] whether this build and this processor can run `path`.
    static bool kernelPathRuns(KernelPath path) noexcept;
    // The name ONDULAXIS_KERNELS takes for `path`.
    static const char* kernelPathName(KernelPath path) noexcept;
    // Measures fresh instances on the reference kernels.
    friend struct TransferMeasurementAccess;

protected:
    // A variant with parameters of its own passes its table: the mailbox
    // holds as many values as the table has, each starting at its default.
    // The identity is what the getters tell hosts.
    Ondulaxis(audioMasterCallback audioMaster, const ParameterTable& parameters, const PluginIdentity& identity);

    // The working coefficients: what the change handlers make of the values,
    // and what the kernels read for a block.
    struct Coefficients {
        bool zeroCrossMode;
        float inGain, slewLimit, funcMix, ampMin, freqMin, freqDif, outGain, ampRange, freqDifLog;
    };

    using Kernel = void (Ondulaxis::*)(float* inputA, float* inputB, float* outputA,
                                       float* outputB, int32_t sampleFrames) noexcept;
    enum RouteSlot { inA, inB, outA, outB };

    // One instruction set's kernels, each table in replaceKernels' order.
    struct KernelTables {
        KernelPath path;
        const Kernel* replace;
        const Kernel* accumulate;
    };

    // [audio thread] the hand-over and the changes it brings; the routing and
    // the kernels are chosen when it returns.
    void prepareBlock() noexcept;

    // Audio thread only: the block's copy of the mailbox, the working
    // coefficients, the tracked values, the routing and the kernels chosen.
    ControlState blockState{};
    Coefficients working{};
    float slewState[2] = {0.0f, 0.0f};
    // Channel 0 everywhere until a routing is chosen: an index every host array has.
    uint32_t route[4] = {0, 0, 0, 0};
    // Every block's prologue chooses both before they run; idle until then.
    Kernel accumulateKernel = &Ondulaxis::idle;
    Kernel replaceKernel = &Ondulaxis::idle;
    // Which instruction set's kernels the routing picks from; fixed at construction.
    KernelTables kernelTables = kernelTablesFor(constructionKernelPath());

private:
    friend struct OndulaxisTestAccess;

    using ParameterHandler = void (Ondulaxis::*)(float value) noexcept;

    static constexpr int32_t kernelCount = 5;
    static constexpr int32_t idleEntry = 4;

    // Indexed by mono 0, mono bypass 1, stereo 2, stereo bypass 3, idle 4.
    static const Kernel replaceKernels[kernelCount];
    static const Kernel accumulateKernels[kernelCount];
    static const ParameterHandler paramHandlers[paramCount];

    // The path the constructor takes; the tables of a path, the reference ones
    // when the path cannot run here.
    static KernelPath constructionKernelPath() noexcept;
    static KernelTables kernelTablesFor(KernelPath path) noexcept;
    // Defined in the file built for that instruction set.
    static KernelTables genericKernelTables() noexcept;
    static KernelTables avx2KernelTables() noexcept;
    static KernelTables avx512KernelTables() noexcept;
    // [host thread, while no block runs] switches the kernel tables; the next
    // block routes anew. For tests and measurements.
    void useKernelPath(KernelPath path) noexcept;

    // [audio thread] the block prologue's steps.
    void resetWorkingState() noexcept;
    void updateRouting() noexcept;
    int applyPendingChanges() noexcept;
    // [audio thread] runs `kernel` unless a pointer it would use is missing.
    void runKernel(Kernel kernel, float** inputs, float** outputs, int32_t sampleFrames) noexcept;

    // [audio thread] change handlers: normalised value to working coefficients.
    void applyZeroX(float value) noexcept;
    void applyInGain(float value) noexcept;
    void applySlewLim(float value) noexcept;
    void applyFuncMix(float value) noexcept;
    void applyAmpMin(float value) noexcept;
    void applyFreqMin(float value) noexcept;
    void applyFreqDif(float value) noexcept;
    void applyOutGain(float value) noexcept;

    // [audio thread] one sample of one channel; `state` is its tracked value.
    // Defined where the kernels are, so that they expand inside the sample loops.
    inline void trackSample(float in, float& state) noexcept;
    inline float processSampleRaisedCosine(float in, float& state) noexcept;  // ZeroX off
    inline float processSampleZeroX(float in, float& state) noexcept;         // ZeroX on: sine

    using Shape = float (Ondulaxis::*)(float in, float& state) noexcept;
    template <Shape shape, bool accumulate, int channels>
    void distort(float* inputA, float* inputB, float* outputA, float* outputB, int32_t sampleFrames) noexcept;
    // Bypass: each channel tracked and passed on.
    template <bool accumulate, int channels>
    void passTracked(float* inputA, float* inputB, float* outputA, float* outputB, int32_t sampleFrames) noexcept;

    // [audio thread] block loops. A channel's input and output may be one
    // buffer (in-place processing), so none of these pointers is __restrict;
    // sample i of a channel is read before it is written. Mono kernels touch
    // only the A pointers.
    template <bool accumulate, int channels, bool bypass>
    void referenceKernel(float* inputA, float* inputB, float* outputA, float* outputB,
                         int32_t sampleFrames) noexcept;
    void idle(float* inputA, float* inputB, float* outputA, float* outputB,
              int32_t sampleFrames) noexcept;

    // [audio thread] the vector kernels, with the vector math of `Math`, which
    // each instruction set's file defines; results equal the reference
    // kernels'. Distorting ones run the block in chunks of a few hundred
    // samples, each tracked serially (or checked in parallel to follow the
    // input) and then shaped; bypass ones copy the block and find only the
    // tracked value at its end.
    template <class Math, bool accumulate, int channels, bool bypass>
    void chunkedKernel(float* inputA, float* inputB, float* outputA, float* outputB,
                       int32_t sampleFrames) noexcept;
    template <class Math>
    static KernelTables chunkedKernelTables() noexcept;
    template <class Math, bool accumulate, int channels>
    void chunkedDistort(float* const* inputs, float* const* outputs, int32_t sampleFrames) noexcept;
    template <class Math, bool accumulate, int channels>
    void chunkedPass(float* const* inputs, float* const* outputs, int32_t sampleFrames) noexcept;

    const ParameterTable& parameters;
    const PluginIdentity& identity;
    // Guards programName and sharedState.
    StateLock stateLock;
    char programName[32] = {};
    ControlState sharedState{};
};
