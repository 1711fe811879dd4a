// The INI reader and writer on any file contents: reads of a few names, then
// one write that must keep the file readable.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/ini_file.h"

using namespace kr5061;

namespace {

// In memory when the system offers it: the reader works on files, and a disk
// would make every run slow.
std::filesystem::path scratchFile() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    const std::filesystem::path dir = base / ("kr5061-ini-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / "KR5061config.ini";
}

// Removes the scratch folder when the fuzzer ends normally.
struct Scratch {
    std::filesystem::path file = scratchFile();
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(file.parent_path(), ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    const std::filesystem::path& file = scratch.file;
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    (void)readProfileInt(file, "COMInfo", "COM num", 1);
    (void)readProfileString(file, "Alarmhi1Info", "Hi1 limit", "140.0");
    if (readProfileString(file, "x", "k", "").size() > kProfileTextMax)
        std::abort();
    if (writeProfileString(file, "GainInfo", "Gain", "20") &&
        readProfileInt(file, "GainInfo", "Gain", 0) != 20)
        std::abort();
    return 0;
}
