// Any bytes read as an M3U list: see fuzz_otherlist.h for the rules.
#include "fuzz_otherlist.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const OtherListRead read = ParseM3u(bytes, QStringLiteral("/music/lists"));
    // Every line ends at CR or LF, so there are at most that many plus one.
    fuzz::checkOtherListRead(read, bytes.count('\n') + bytes.count('\r') + 1);
    return 0;
}
