#pragma once
// The level meter sizes itself from the first bytes of its bar image, before any decoder runs.
// Only these rules decide the size; a picture the rules do not understand gives 0 × 0.
#include <cstddef>
#include <string>

namespace vantrel {

struct ImageSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// How many leading bytes of a file the rules look at.
inline constexpr std::size_t kImageHeaderBytes = 256;

// Reads at most kImageHeaderBytes of bytes[0, n); bytes past n count as 0, as in a short file.
ImageSize readImageHeader(const unsigned char* bytes, std::size_t n);

// The same for the first kImageHeaderBytes of a file; a file that cannot be opened gives 0 × 0.
ImageSize readImageHeaderFile(const std::string& path);

}  // namespace vantrel
