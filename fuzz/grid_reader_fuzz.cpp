// libFuzzer target for the grid reader, fed from an input stream: any text
// must either give a map or raise one of the reader's messages (a
// `const char*`), never crash, hang, leak or touch memory it does not own.
// A map that is read must write out as a grid that reads back to a map which
// writes out to the very same text, and its size must be the header's.
//
//   CXX=clang++ cmake -S . -B build-fuzz -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF
//   cmake --build build-fuzz --target grid_reader_fuzz
//   mkdir -p /tmp/grid-corpus && ./build-fuzz/fuzz/grid_reader_fuzz -max_total_time=60 /tmp/grid-corpus fuzz/corpus/grid_reader
//
// New inputs go to the first folder named; the checked-in seeds are only read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "files/TARCGISFileTools.h"

namespace {

std::string Written(TMap* map) {
    std::ostringstream out;
    TARCGISFileTools::WriteARCGISFile(map, out);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<TMap> map;
    try {
        map.reset(TARCGISFileTools::LoadARCGISFile(stream));
    } catch (const char*) {
        return 0;
    }
    if (map->GetXDim() < 1 || map->GetYDim() < 1) std::abort();
    const std::string written = Written(map.get());
    std::istringstream back(written);
    std::unique_ptr<TMap> again(TARCGISFileTools::LoadARCGISFile(back));  // a refusal escapes: a finding
    if (again->GetXDim() != map->GetXDim() || again->GetYDim() != map->GetYDim()) std::abort();
    if (Written(again.get()) != written) std::abort();
    return 0;
}
