// Any bytes as the level meter's bar image. A size is never negative, a two-byte size never
// passes 32,767, only the first kImageHeaderBytes count (a shorter header reads as if padded
// with zeros), and the file reader agrees with the reader of bytes.
#include <array>
#include <cstring>

#include "FuzzSupport.h"
#include "widgets/ImageHeader.h"

using namespace vantrel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ImageSize s = readImageHeader(data, size);
    require(s.width >= 0 && s.height >= 0, "a size is never negative");
    const bool fourByteSizes = size > 14 && data[0] == 'B' && data[1] == 'M' && data[14] == 40;
    if (!fourByteSizes)
        require(s.width <= INT16_MAX && s.height <= INT16_MAX, "a two-byte size fits 16 bits");

    std::array<unsigned char, kImageHeaderBytes> padded{};
    std::memcpy(padded.data(), data, std::min(size, padded.size()));
    require(readImageHeader(padded.data(), padded.size()) == s, "only the header's bytes count");

    static const fuzz::InputFile file(".dat");
    require(file.write(data, size), "the input file can be written");
    require(readImageHeaderFile(file.path()) == s, "a file reads as its bytes");
    return 0;
}
