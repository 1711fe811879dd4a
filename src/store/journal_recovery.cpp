#include "store/journal_recovery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgramDirName = "kr5061";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

fs::path stateDirectory() {
    if (std::string dir = environment("KR5061_CONFIG_DIR"); !dir.empty())
        return dir;
#ifdef _WIN32
    if (std::string dir = environment("LOCALAPPDATA"); !dir.empty())
        return fs::path(dir) / kProgramDirName;
#else
    if (std::string dir = environment("XDG_STATE_HOME"); !dir.empty())
        return fs::path(dir) / kProgramDirName;
    if (std::string home = environment("HOME"); !home.empty())
        return fs::path(home) / ".local" / "state" / kProgramDirName;
#endif
    return kProgramDirName;
}

bool makeStateDirectory(fs::path& dir, std::string* error) {
    dir = stateDirectory();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!ec && fs::is_directory(dir, ec))
        return true;
    if (error != nullptr)
        *error = dir.string() + ": " + (ec ? ec.message() : std::string("not a folder"));
    return false;
}

fs::path windowJournalPath(const fs::path& dir, std::int64_t startTime, long pid, int runNumber) {
    const std::time_t t = static_cast<std::time_t>(startTime);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    char stamp[32];
    const std::size_t n = std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    char name[96];
    std::snprintf(name, sizeof name, "run-%.*s-%ld-%d", static_cast<int>(n), stamp, pid, runNumber);
    return dir / (std::string(name) + std::string(kJournalSuffix));
}

std::vector<fs::path> journalsIn(const fs::path& dir) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        const std::string name = p.filename().string();
        if (name.size() > kJournalSuffix.size() && name.ends_with(kJournalSuffix) &&
            it->is_regular_file(ec))
            found.push_back(p);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string recoveryPromptText(const JournalRun& run, int count) {
    const StartFields& s = run.start;
    char text[160];
    std::snprintf(text, sizeof text,
                  "A run of %d samples started %02d/%02d/%02d %02d:%02d:%02d was not saved when "
                  "the program last ended.",
                  count, s.day, s.month, s.year % 100, s.hour, s.minute, s.second);
    return text;
}

std::string recoveryFileName(const StartFields& s) {
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%02d-%02d %02d.%02d.%02d", s.year % 100, s.month, s.day,
                  s.hour, s.minute, s.second);
    return name;
}

void loadRecoveredRun(const RecoveredRun& run, CHygDoc& doc, ViewState& view) {
    // Through the file's own bytes, so the recall buffer holds exactly what
    // opening the saved file would give.
    const std::vector<std::uint8_t> bytes = encodeMeasurementFile(run.snapshot());
    const LoadResult loaded = readMeasurement(bytes.data(), bytes.size(), doc);
    if (!loaded.ok())
        return;
    view.m_recallLoadedB = true;
    view.m_loggerGain = loaded.gain;
    view.m_loggerOffset = loaded.offset;
    doc.m_signatureIn = "00";
}

}  // namespace kr5061
