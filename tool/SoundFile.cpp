#include "SoundFile.h"

#include "HostError.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ondulaxis::tool {

using namespace ondulaxis::host;

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string systemError() { return std::strerror(errno); }

}  // namespace

SoundFileReader::SoundFileReader(const std::filesystem::path& path) : path_(path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        throw HostError("cannot read " + path.string() + ": it is a directory");
    }
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (file_ == nullptr) {
        // libsndfile's own words ("System error : Permission denied.",
        // "Format not recognised.") say little to someone rendering a file.
        std::string reason;
        if (!std::filesystem::exists(path, error)) {
            reason = "no such file";
        } else if (access(path.c_str(), R_OK) != 0) {
            reason = systemError();
        } else if (sf_error(nullptr) == SF_ERR_UNRECOGNISED_FORMAT) {
            reason = "not an audio file libsndfile reads (WAV, AIFF, FLAC, Ogg and others)";
        } else {
            reason = sf_strerror(nullptr);
            if (!reason.empty() && reason.back() == '.') reason.pop_back();
        }
        throw HostError("cannot read " + path.string() + ": " + reason);
    }
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    frames_ = info.frames;
    claimedFrames_ = frames_;
    // libsndfile notes a WAV data chunk longer than the file as
    // "data : CLAIMED (should be ACTUAL)", beside "Block Align   : BYTES".
    std::vector<char> log(16384, '\0');
    sf_command(file_, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size() - 1));
    const std::string text(log.data());
    const std::size_t data = text.find("\ndata : ");
    const std::size_t align = text.find(':', text.find("Block Align"));
    if (data != std::string::npos && align != std::string::npos &&
        text.find("(should be", data) < text.find('\n', data + 1)) {
        const long long claimedBytes = std::atoll(text.c_str() + data + 8);
        const long long blockAlign = std::atoll(text.c_str() + align + 1);
        if (blockAlign > 0 && claimedBytes / blockAlign > frames_) claimedFrames_ = claimedBytes / blockAlign;
    }
}

SoundFileReader::~SoundFileReader() {
    if (file_ != nullptr) sf_close(file_);
}

int64_t SoundFileReader::read(float* interleaved, int64_t frames) {
    const sf_count_t got = sf_readf_float(file_, interleaved, frames);
    if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR) {
        throw HostError("cannot read " + path_.string() + ": " + sf_strerror(file_));
    }
    return got;
}

int outputFormatFor(const std::filesystem::path& path, int bits, int channels, int sampleRate) {
    const std::string extension = lowerCase(path.extension().string());
    int container = 0;
    int encoding = 0;
    auto pcm = [&](int defaultEncoding) -> int {
        if (bits == 16) return SF_FORMAT_PCM_16;
        if (bits == 24) return SF_FORMAT_PCM_24;
        return defaultEncoding;
    };
    if (extension == ".wav") {
        container = SF_FORMAT_WAV;
        encoding = pcm(SF_FORMAT_FLOAT);
    } else if (extension == ".aif" || extension == ".aiff") {
        container = SF_FORMAT_AIFF;
        encoding = pcm(SF_FORMAT_FLOAT);
    } else if (extension == ".flac") {
        container = SF_FORMAT_FLAC;
        encoding = pcm(SF_FORMAT_PCM_24);
    } else if (extension == ".ogg") {
        if (bits != 0) throw HostError("--bits does not apply to Ogg Vorbis output " + path.string());
        container = SF_FORMAT_OGG;
        encoding = SF_FORMAT_VORBIS;
    } else {
        throw HostError("cannot tell the output format of " + path.string() +
                        ": use the extension .wav, .aiff, .flac or .ogg");
    }
    SF_INFO info{};
    info.format = container | encoding;
    info.channels = channels;
    info.samplerate = sampleRate;
    if (!sf_format_check(&info)) {
        throw HostError("cannot write " + path.string() + ": this format does not take " +
                        std::to_string(channels) + " channel(s) at " + std::to_string(sampleRate) + " Hz");
    }
    return info.format;
}

StagedSoundFile::StagedSoundFile(const std::filesystem::path& destination, int format, int channels,
                                 int sampleRate)
    : destination_(destination), output_(destination), channels_(channels) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    file_ = sf_open_fd(output_.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        const std::string reason = sf_strerror(nullptr);
        discard();
        throw HostError("cannot write " + destination.string() + ": " + reason);
    }
    // Integer formats clip loud samples instead of wrapping them around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const int encoding = format & SF_FORMAT_SUBMASK;
    keepsNonFinite_ = encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE;
}

StagedSoundFile::~StagedSoundFile() { discard(); }

void StagedSoundFile::write(const float* interleaved, int64_t frames) {
    const std::size_t samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_);
    if (!keepsNonFinite_ && std::any_of(interleaved, interleaved + samples, [](float x) { return !std::isfinite(x); })) {
        // The conversion would write NaN as full-scale DC; silence is the
        // least harmful number, and infinities clip to full scale.
        finite_.assign(interleaved, interleaved + samples);
        for (float& sample : finite_) {
            if (std::isnan(sample)) sample = 0.0f;
            if (std::isinf(sample)) sample = std::copysign(1.0f, sample);
        }
        interleaved = finite_.data();
    }
    if (sf_writef_float(file_, interleaved, frames) != frames) {
        throw HostError("cannot write " + destination_.string() + ": " + sf_strerror(file_));
    }
}

void StagedSoundFile::commit() {
    const int result = sf_close(file_);
    file_ = nullptr;
    if (result != SF_ERR_NO_ERROR) {
        const std::string reason = sf_error_number(result);
        discard();
        throw HostError("cannot write " + destination_.string() + ": " + reason);
    }
    output_.commit();
}

void StagedSoundFile::discard() noexcept {
    if (file_ != nullptr) sf_close(file_);
    file_ = nullptr;
    output_.discard();
}

}  // namespace ondulaxis::tool
