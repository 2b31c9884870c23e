#pragma once
// What the fuzz targets share: each run's input as a file, since the readers under test take
// paths, and the check that stops a run at the first broken rule.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

namespace vantrel::fuzz {

// A broken rule is a finding like a crash: libFuzzer keeps the input that caused it.
inline void require(bool holds, const char* rule) {
    if (holds) return;
    std::fprintf(stderr, "rule broken: %s\n", rule);
    std::abort();
}

// A file of this process, in memory (/dev/shm) where there is one, removed at a normal exit.
// The suffix is kept because a file's type is partly guessed from its name.
class InputFile {
public:
    explicit InputFile(const std::string& suffix)
        : path_(folder() + "/vantrel-fuzz-" + std::to_string(::getpid()) + suffix) {}
    ~InputFile() { std::remove(path_.c_str()); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return path_; }

    // Replaces the file's bytes; false when the file cannot be written.
    bool write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok;
    }

private:
    static std::string folder() {
        for (const char* d :
             std::initializer_list<const char*>{"/dev/shm", std::getenv("TMPDIR"), "/tmp"})
            if (d && ::access(d, W_OK) == 0) return d;
        return ".";
    }

    std::string path_;
};

}  // namespace vantrel::fuzz
