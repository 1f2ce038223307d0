#include "PeerInstrument.h"

#include <algorithm>

void PeerInstrument::playInSpans(const BlockEvent* events, size_t count, int frames, float* left,
                                 float* right) {
    int done = 0;
    for (size_t i = 0; i < count; ++i) {
        const int due = std::clamp(events[i].offset, done, frames);
        if (due > done) {
            span(left + done, right + done, due - done);
            done = due;
        }
        apply(events[i]);
    }
    if (frames > done) {
        span(left + done, right + done, frames - done);
    }
}
