// The table conversions give byte for byte what iconv gives, invalid input
// included, in both directions.
#include "FuzzInput.h"
#include "base/GbkTables.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::Bytes(data, size);
    if (TableGbkToUtf8(bytes) != IconvGbkToUtf8(bytes)) fuzz::Fail();
    if (TableUtf8ToGbk(bytes) != IconvUtf8ToGbk(bytes)) fuzz::Fail();
    return 0;
}
