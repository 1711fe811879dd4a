#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "common/channels.h"
#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/zeroed_array.h"

namespace kr5061 {

inline constexpr int kLoggerSets = 100;

// The data sets of the data logger: up to 100 loaded measurement files. About
// 20 MB, allocated once for the life of the program (makeLoggerStore) and
// never resized; each set's records are one block of their own, resident once
// a set has been loaded into it.
struct LoggerStore {
    int lastSet = -1;      // newest set; -1: empty
    int selectedSet = -1;  // selection mark read by the last double-click
    int setCount[kLoggerSets] = {};
    // Record r, channel k of set s at [s][r][k].
    ZeroedArray<float[kLoggerSets][kSampleCapacity][kChannelCount]> setRecords;
    std::int64_t setStart[kLoggerSets] = {};
    int setPeriod[kLoggerSets] = {};
    std::uint8_t setFahrenheit[kLoggerSets] = {};
    std::string setUnit[kLoggerSets];
    int setGain[kLoggerSets] = {};
    int setOffset[kLoggerSets] = {};
    std::string loggerPath;

    LoggerStore() = default;
    LoggerStore(const LoggerStore&) = delete;
    LoggerStore& operator=(const LoggerStore&) = delete;
};

std::unique_ptr<LoggerStore> makeLoggerStore();

// The texts of one row of the logger list.
struct LoggerRow {
    std::string set, time, rate, nums;
};
LoggerRow loggerRow(const LoggerStore& store, int set);

struct AdoptResult {
    int index = -1;
    bool listCleared = false;  // the store wrapped: the list starts again with this row
};

// Appends the recall buffer as the newest set (wrapping to 0 after 100 sets)
// and sets the recall buffer's start tag. `view` supplies the logger axis.
AdoptResult AdoptLoadedSet(LoggerStore& store, CHygDoc& doc, const ViewState& view);

// Copies the set at the list's selection mark back into the recall buffer and
// restores its axis. False (nothing changes) when the mark names no stored set.
bool SelectSet(LoggerStore& store, int selectionMark, CHygDoc& doc, ViewState& view);

// Closing the logger window empties the store.
inline void clearLoggerStore(LoggerStore& store) { store.lastSet = -1; }

// Download: loads a measurement file into the recall buffer through the one
// measurement-file reader. A valid file waits for adoption by the next logger
// paint and brings its axis along; an invalid one changes nothing.
LoadResult downloadSet(const std::filesystem::path& path, CHygDoc& doc, ViewState& view);

}  // namespace kr5061
