// The measurement file reader on any bytes, then the recall buffer and the
// text table made from what it accepted.
#include <cstdlib>
#include <memory>

#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

using namespace kr5061;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto doc = std::make_unique<CHygDoc>();
    const LoadResult r = readMeasurement(data, size, *doc);
    if (!r.ok())
        return 0;
    if (doc->m_recallCount < 0 || doc->m_recallCount > kSampleCapacity)
        std::abort();
    // The table of a short file: every format path without making a run slow.
    if (doc->m_recallCount <= 64)
        (void)formatTextTable(recallTableInput(*doc));
    return 0;
}
