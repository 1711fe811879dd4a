#include "logger/logger_store.h"

#include <algorithm>
#include <ctime>

#include "store/number_text.h"
#include "store/text_export.h"

namespace kr5061 {

std::unique_ptr<LoggerStore> makeLoggerStore() { return std::make_unique<LoggerStore>(); }

LoggerRow loggerRow(const LoggerStore& store, int set) {
    return {formatInt(set + 1), formatDateTime(store.setStart[set]),
            formatInt(store.setPeriod[set]) + "sec", formatInt(store.setCount[set])};
}

AdoptResult AdoptLoadedSet(LoggerStore& store, CHygDoc& doc, const ViewState& view) {
    AdoptResult result;
    if (store.lastSet < kLoggerSets - 1) {
        ++store.lastSet;
    } else {
        store.lastSet = 0;
        result.listCleared = true;
    }
    const int s = store.lastSet;
    const int count = std::clamp(doc.m_recallCount, 0, kSampleCapacity);
    store.setCount[s] = count;
    for (int r = 0; r < count; ++r) {
        for (int k = 0; k < kChannelCount; ++k) {
            store.setRecords[s][r][k] = doc.m_recall[r][k];
        }
    }
    const StartFields fields{doc.m_recallYear, doc.m_recallMonth,  doc.m_recallDay,
                             doc.m_recallHour, doc.m_recallMinute, doc.m_recallSecond};
    const std::int64_t start = calendarSecondsOf(fields).value_or(0);
    store.setStart[s] = start;
    doc.m_recallTag = static_cast<std::int32_t>(start);
    store.setPeriod[s] = doc.m_recallPeriod;
    store.setFahrenheit[s] = doc.m_recallFahrenheit;
    store.setUnit[s] = doc.m_recallUnit;
    store.setGain[s] = view.m_loggerGain;
    store.setOffset[s] = view.m_loggerOffset;
    result.index = s;
    return result;
}

bool SelectSet(LoggerStore& store, int selectionMark, CHygDoc& doc, ViewState& view) {
    store.selectedSet = selectionMark;
    const int s = selectionMark;
    if (s < 0 || s > store.lastSet) {
        return false;
    }
    doc.m_recallCount = store.setCount[s];
    for (int r = 0; r < store.setCount[s]; ++r) {
        for (int k = 0; k < kChannelCount; ++k) {
            doc.m_recall[r][k] = store.setRecords[s][r][k];
        }
    }
    doc.m_recallFahrenheit = store.setFahrenheit[s];
    doc.m_recallTag = static_cast<std::int32_t>(store.setStart[s]);
    doc.m_recallPeriod = store.setPeriod[s];
    doc.m_recallUnit = store.setUnit[s];
    view.m_loggerGain = store.setGain[s];
    view.m_loggerOffset = store.setOffset[s];
    return true;
}

LoadResult downloadSet(const std::filesystem::path& path, CHygDoc& doc, ViewState& view) {
    if (path.empty()) {
        return {};
    }
    const LoadResult result = loadMeasurement(path, doc);
    if (result.ok()) {
        view.m_recallLoadedB = true;
        view.m_loggerGain = result.gain;
        view.m_loggerOffset = result.offset;
        // The same signature must not pass for a fresh load a second time.
        doc.m_signatureIn = "00";
    } else if (result.status == LoadStatus::kInvalidFormat) {
        view.m_recallLoadedB = false;
    }
    return result;
}

}  // namespace kr5061
