// The frame reader and the receive step on any byte stream, cut into reads of
// the sizes the input chooses, with sample clock and watchdog ticks between
// them: the store index never leaves the store.
#include <cstdlib>
#include <memory>

#include "link/frame_reader.h"
#include "link/link_ticks.h"
#include "link/receive_step.h"
#include "store/hyg_doc.h"

using namespace kr5061;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto doc = std::make_unique<CHygDoc>();
    auto state = std::make_unique<LiveState>();
    FrameReader reader;
    SampleClock clock;
    initFrameState(state->frame, 1);
    state->view.m_sampleLimit = 8;  // small, so runs end and restart
    state->frame.m_startPending = true;
    state->frame.m_recording = true;

    std::size_t pos = 0;
    std::int64_t now = 1'000'000;
    // The sample clock's time, in steps of any size, so catching up is fuzzed too.
    std::int64_t ms = 0;
    while (pos < size) {
        // Control byte: read length in the low six bits, ticks in the top two.
        const std::uint8_t control = data[pos++];
        const std::size_t chunk = std::min<std::size_t>(control & 0x3F, size - pos);
        ms += 1 + (control & 0x3F) * 97;
        if (onReceive(*state, *doc, reader, data + pos, chunk, now++).framesAccepted > 0)
            clock.frameArrived(ms);
        pos += chunk;
        if (control & 0x40)
            sampleTick(*state, *doc, clock, ms);
        if (control & 0x80) {
            watchdogTick(*state);
            state->frame.m_startPending = true;  // Run again
            state->frame.m_recording = true;
        }
        const int i = state->view.m_sampleIndex;
        if (i < 0 || i > kSampleCapacity || reader.buffered() > FrameReader::kCapacity)
            std::abort();
    }
    return 0;
}
