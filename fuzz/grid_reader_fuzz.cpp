// libFuzzer target for the grid reader, fed from an input stream: any text
// must either give a map or raise one of the reader's messages (a
// `const char*`), never crash, hang, leak or touch memory it does not own.
// A map that is read must write out as a grid that reads back to a map which
// writes out to the very same text, and its size must be the header's.
// The same text written to a file must read the same through the named-file
// reader, which the fuzz build makes read a few bytes at a time. Lenient
// reading must agree between the stream and the file too, and must read
// whatever strict reading reads, to the same map.
//
//   CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
//     -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF
//   cmake --build build-fuzz --target grid_reader_fuzz
//   mkdir -p /tmp/grid-corpus && ./build-fuzz/fuzz/grid_reader_fuzz -max_total_time=60 /tmp/grid-corpus fuzz/corpus/grid_reader
//
// New inputs go to the first folder named; the checked-in seeds are only read.

#include <fcntl.h>
#include <unistd.h>

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

// The file the named-file reader reads, in memory where /dev/shm allows
// (several times faster to rewrite than a file on disk), removed when the
// process exits.
const std::string& FileName() {
    static const std::string name = [] {
        for (std::string pattern : {"/dev/shm/korvel-fuzz-grid-XXXXXX", "/tmp/korvel-fuzz-grid-XXXXXX"}) {
            const int fd = ::mkstemp(&pattern[0]);
            if (fd < 0) continue;
            ::close(fd);
            return pattern;
        }
        std::abort();
    }();
    // Registered once the name is made, so that it runs before the name goes.
    static const bool registered = [] { return std::atexit([] { ::unlink(FileName().c_str()); }) == 0; }();
    (void)registered;
    return name;
}

// The map as written, or "error: " and the message.
std::string FromFile(const std::uint8_t* data, std::size_t size, TARCGISFileTools::TReadMode mode) {
    const int fd = ::open(FileName().c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    ::close(fd);
    try {
        std::unique_ptr<TMap> map(TARCGISFileTools::LoadARCGISFile(FileName(), mode));
        return Written(map.get());
    } catch (const char* message) {
        return std::string("error: ") + message;
    }
}

// The lenient reading of the text from a stream, as FromFile gives it.
std::string Lenient(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        std::unique_ptr<TMap> map(TARCGISFileTools::LoadARCGISFile(stream, TARCGISFileTools::TReadMode::Lenient));
        if (map->GetXDim() < 1 || map->GetYDim() < 1) std::abort();
        return Written(map.get());
    } catch (const char* message) {
        return std::string("error: ") + message;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string lenient = Lenient(data, size);
    if (FromFile(data, size, TARCGISFileTools::TReadMode::Lenient) != lenient) std::abort();
    const std::string fromFile = FromFile(data, size, TARCGISFileTools::TReadMode::Strict);
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<TMap> map;
    try {
        map.reset(TARCGISFileTools::LoadARCGISFile(stream));
    } catch (const char* message) {
        if (fromFile != std::string("error: ") + message) std::abort();
        return 0;
    }
    if (map->GetXDim() < 1 || map->GetYDim() < 1) std::abort();
    const std::string written = Written(map.get());
    if (fromFile != written || lenient != written) std::abort();
    std::istringstream back(written);
    std::unique_ptr<TMap> again(TARCGISFileTools::LoadARCGISFile(back));  // a refusal escapes: a finding
    if (again->GetXDim() != map->GetXDim() || again->GetYDim() != map->GetYDim()) std::abort();
    if (Written(again.get()) != written) std::abort();
    return 0;
}
