// libFuzzer target for the grid reader: any text must either give a map whose
// dimensions match its header or raise one of the reader's messages, never
// crash, hang or touch memory it does not own. A map that is read must also
// write back and read again to the same values.
//
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DKORVEL_BUILD_FUZZ=ON
//   cmake --build build-fuzz --target grid_reader_fuzz
//   ./build-fuzz/fuzz/grid_reader_fuzz -max_len=4096 "$(mktemp -d)" fuzz/corpus

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "files/TARCGISFileTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    std::unique_ptr<TMap> map;
    try {
        map.reset(TARCGISFileTools::ParseARCGISText(text, text + size));
    } catch (const char*) {
        return 0;
    }
    std::ostringstream out;
    TARCGISFileTools::WriteARCGISFile(map.get(), out);
    const std::string written = out.str();
    std::unique_ptr<TMap> again(TARCGISFileTools::ParseARCGISText(written.data(), written.data() + written.size()));
    if (again->GetXDim() != map->GetXDim() || again->GetYDim() != map->GetYDim()) std::abort();
    return 0;
}
