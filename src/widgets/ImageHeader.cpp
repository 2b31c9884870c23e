#include "widgets/ImageHeader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>

namespace vantrel {

namespace {

using Header = std::array<unsigned char, kImageHeaderBytes>;

// A size made of two bytes is a signed 16-bit value; 32768 or more overflows and stops the reading.
bool twoBytes(int high, int low, int& out) {
    const int v = 256 * high + low;
    if (v > INT16_MAX) return false;
    out = v;
    return true;
}

// Four little-endian bytes make a signed 32-bit value, with the same overflow rule.
bool fourBytes(const Header& b, std::size_t at, int& out) {
    const std::int64_t v = std::int64_t(b[at]) + 256 * std::int64_t(b[at + 1]) +
                           65536 * std::int64_t(b[at + 2]) + 16777216 * std::int64_t(b[at + 3]);
    if (v > INT32_MAX) return false;
    out = int(v);
    return true;
}

ImageSize readJpeg(const Header& b) {
    ImageSize s;
    // The first frame marker found by plain scanning wins; segment lengths are not followed.
    for (std::size_t i = 0; i + 8 < b.size(); ++i) {
        if (b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xCF) {
            if (twoBytes(b[i + 5], b[i + 6], s.height)) twoBytes(b[i + 7], b[i + 8], s.width);
            break;
        }
    }
    return s;
}

ImageSize readGif(const Header& b) {
    ImageSize s;
    if (twoBytes(b[7], b[6], s.width)) twoBytes(b[9], b[8], s.height);
    return s;
}

ImageSize readBmp(const Header& b) {
    ImageSize s;
    if (b[14] == 40) {
        if (fourBytes(b, 18, s.width)) fourBytes(b, 22, s.height);
    } else if (b[14] == 12) {
        if (twoBytes(b[19], b[18], s.width)) twoBytes(b[21], b[20], s.height);
    }
    return s;
}

ImageSize readPng(const Header& b) {
    ImageSize s;
    if (twoBytes(b[18], b[19], s.width)) twoBytes(b[22], b[23], s.height);
    return s;
}

}  // namespace

ImageSize readImageHeader(const unsigned char* bytes, std::size_t n) {
    Header b{};
    if (bytes) std::copy_n(bytes, std::min(n, b.size()), b.begin());
    if (b[0] == 0xFF && b[1] == 0xD8) return readJpeg(b);
    if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return readGif(b);
    if (b[0] == 'B' && b[1] == 'M') return readBmp(b);
    if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return readPng(b);
    return {};
}

ImageSize readImageHeaderFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    Header b{};
    in.read(reinterpret_cast<char*>(b.data()), std::streamsize(b.size()));
    return readImageHeader(b.data(), std::size_t(std::max<std::streamsize>(in.gcount(), 0)));
}

}  // namespace vantrel
