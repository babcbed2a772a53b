// Audio files through libsndfile: a reader, and a writer that only puts a
// file in place once it is complete.
#pragma once

#include "OutputFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct sf_private_tag;  // libsndfile's SNDFILE

namespace ondulaxis::tool {

class SoundFileReader {
public:
    // Throws HostError when the file is missing or not audio libsndfile reads.
    explicit SoundFileReader(const std::filesystem::path& path);
    ~SoundFileReader();
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    int64_t frames() const { return frames_; }
    // The frames the header claims: more than frames() when the file was
    // cut short, which libsndfile quietly allows for.
    int64_t claimedFrames() const { return claimedFrames_; }
    // Reads up to `frames` interleaved frames; returns how many it read.
    int64_t read(float* interleaved, int64_t frames);

private:
    std::filesystem::path path_;
    sf_private_tag* file_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    int64_t frames_ = 0;
    int64_t claimedFrames_ = 0;
};

// The libsndfile format for a file name's extension (.wav, .aif/.aiff,
// .flac, .ogg). bits 0 keeps the format's default: 32-bit float for WAV and
// AIFF, 24-bit for FLAC. Throws HostError for an unknown extension or a
// combination libsndfile cannot write.
int outputFormatFor(const std::filesystem::path& path, int bits, int channels, int sampleRate);

// Writes through a StagedOutput: the destination appears, complete, only in
// commit(); a writer destroyed without commit() leaves nothing behind.
class StagedSoundFile {
public:
    StagedSoundFile(const std::filesystem::path& destination, int format, int channels, int sampleRate);
    ~StagedSoundFile();
    StagedSoundFile(const StagedSoundFile&) = delete;
    StagedSoundFile& operator=(const StagedSoundFile&) = delete;

    // NaN goes into integer and compressed formats as 0, infinities as full
    // scale; float formats take every value as it is.
    void write(const float* interleaved, int64_t frames);
    void commit();

private:
    void discard() noexcept;

    std::filesystem::path destination_;
    StagedOutput output_;
    int channels_;
    bool keepsNonFinite_ = false;
    std::vector<float> finite_;
    sf_private_tag* file_ = nullptr;
};

}  // namespace ondulaxis::tool
