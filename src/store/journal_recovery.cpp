#include "store/journal_recovery.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <system_error>

#include "common/run_state.h"
#include "store/atomic_file.h"
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

NewSaveResult saveMeasurementAsNew(const fs::path& measurementPath, const RunSnapshot& run) {
    NewSaveResult r;
    r.saved.measurementPath = measurementPath;
    r.saved.textPath = textTablePathFor(measurementPath);
    const std::vector<std::uint8_t> file = encodeMeasurementFile(run);
    const std::string table = formatTextTable(tableInputOf(run));
    // Both recoveries claim the measurement file first, so only one of them
    // ever gets as far as the table.
    const struct {
        const fs::path& path;
        const void* data;
        std::size_t size;
    } files[] = {{r.saved.measurementPath, file.data(), file.size()},
                 {r.saved.textPath, table.data(), table.size()}};
    for (const auto& f : files) {
        const NewFile w = writeNewFile(f.path, f.data, f.size, &r.saved.error);
        if (w == NewFile::kWritten)
            continue;
        if (&f.path != &r.saved.measurementPath) {
            std::error_code ec;
            fs::remove(r.saved.measurementPath, ec);  // written above: no table, no file
        }
        r.saved.failedPath = f.path;
        if (w == NewFile::kExists) {
            r.existing = f.path;
            r.saved.error = "already exists";
        }
        return r;
    }
    r.saved.ok = true;
    return r;
}

bool isSavedAs(const fs::path& path, const RecoveredRun& run) {
    std::vector<std::uint8_t> bytes;
    std::error_code ec;
    return fs::is_regular_file(textTablePathFor(path), ec) && readWholeFile(path, bytes, nullptr) &&
           bytes == encodeMeasurementFile(run.snapshot());
}

RecoverResult recoverJournal(const fs::path& journal, const fs::path& out, bool removeAfterSave,
                             bool salvage) {
    RecoverResult r;
    // Held until the end: a second recovery of the same journal waits its turn.
    JournalLock lock;
    if (!lock.acquire(journal)) {
        r.status = lock.heldByOther() ? RecoverStatus::kLocked : RecoverStatus::kUnreadable;
        r.read = JournalResult{JournalStatus::kReadFailed,
                               journal.string() + ": " + std::generic_category().message(errno)};
        return r;
    }
    if (journalFileHoldsNoRecord(journal)) {
        r.status = RecoverStatus::kEmpty;
        lock.remove(&r.removeError);
        return r;
    }
    r.run = std::make_unique<RecoveredRun>();
    r.read = readJournalRun(journal, *r.run, salvage);
    if (!r.read.ok()) {
        r.status = RecoverStatus::kUnreadable;
        return r;
    }
    if (isSavedAs(out, *r.run)) {
        r.status = RecoverStatus::kAlreadySaved;
        lock.remove(&r.removeError);
        return r;
    }
    const NewSaveResult saved = saveMeasurementAsNew(out, r.run->snapshot());
    r.saved = saved.saved;
    r.existing = saved.existing;
    if (!r.saved.ok) {
        r.status = r.existing.empty() ? RecoverStatus::kSaveFailed : RecoverStatus::kOutputExists;
        return r;
    }
    r.status = RecoverStatus::kSaved;
    if (removeAfterSave)
        lock.remove(&r.removeError);
    return r;
}

fs::path keepInStateDirectory(const CHygDoc& doc, const ViewState& view, long pid,
                              std::string* error) {
    fs::path dir;
    if (!makeStateDirectory(dir, error))
        return {};
    RunJournal copy;
    const fs::path path = windowJournalPath(dir, view.m_startTime, pid, 0);
    if (!copy.follow(path, doc, view) || !copy.flush()) {
        if (error != nullptr)
            *error = copy.error();
        copy.discard();
        return {};
    }
    copy.close();
    return path;
}

}  // namespace kr5061
