// Audio files through libsndfile: a reader, and a writer that only puts a
// file in place once it is complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct sf_private_tag;  // libsndfile's SNDFILE

namespace ondulaxis::host {

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

// Writes into a hidden temporary file beside the destination and renames it
// over the destination only in commit(). Until then the destination is never
// touched, and a writer destroyed without commit() removes its temporary.
class StagedSoundFile {
public:
    StagedSoundFile(const std::filesystem::path& destination, int format, int channels, int sampleRate);
    ~StagedSoundFile();
    StagedSoundFile(const StagedSoundFile&) = delete;
    StagedSoundFile& operator=(const StagedSoundFile&) = delete;

    void write(const float* interleaved, int64_t frames);
    void commit();

private:
    void discard() noexcept;

    std::filesystem::path destination_;
    std::string temporary_;
    int descriptor_ = -1;
    sf_private_tag* file_ = nullptr;
};

// Writes a text file the same way: complete or not at all.
void writeTextFileAtomically(const std::filesystem::path& destination, const std::string& text);

// True when both names lead to the same existing file (same device and
// inode), so links and differently spelled paths are caught too.
bool refersToSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// True when both names lead to the same file, or would once it is written:
// an output not yet created can be spelled in two ways ("out.wav", "./out.wav").
bool namesSameDestination(const std::filesystem::path& a, const std::filesystem::path& b);

// Throws HostError unless `path` could be created or replaced as a file: it
// must not be a directory, and its folder must exist.
void checkWritableDestination(const std::filesystem::path& path, const std::string& what);

}  // namespace ondulaxis::host
