// Any bytes read as an XSPF list: see fuzz_otherlist.h for the rules; and a list that declares
// entities is refused whole.
#include "fuzz_otherlist.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const OtherListRead read = ParseXspf(bytes, QStringLiteral("/music/lists"));
    fuzz::checkOtherListRead(read, bytes.count("<track") + bytes.count(":track"));
    return 0;
}
