#include "Voicing.h"

namespace {

constexpr VoicingSet kVoicingSet0 = {
    {
        // notes: 36     55       67       79       91       103
        {3.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f},                  // 0 hammer order
        {0.59f, 0.54f, 0.55f, 0.54f, 0.25f, 0.25f},            // 1 hammer pole
        {0.13f, 0.15f, 0.15f, 0.16f, 0.18f, 0.16f},            // 2 hammer level
        {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f},                  // 3 velocity sensitivity
        {3000.0f, 2000.0f, 1600.0f, 1500.0f, 500.0f, 200.0f},  // 4 tine decay, ms
        {13.0f, 14.7f, 15.0f, 14.7f, 20.7f, 10.5f},            // 5 tine release, ms
        {7.007f, 7.007f, 7.007f, 7.007f, 7.007f, 7.007f},      // 6 first bell ratio
        {2.779f, 2.779f, 2.779f, 2.779f, 2.779f, 2.779f},      // 7 second bell ratio
        {120.0f, 100.0f, 72.0f, 69.0f, 27.0f, 27.0f},          // 8 bell decay held, ms
        {43.0f, 5.7f, 4.0f, 5.7f, 4.3f, 4.9f},                 // 9 bell decay released, ms
        {0.01f, 0.02f, 0.03f, 0.04f, 0.04f, 0.03f},            // 10 bell level
        {0.0f, 0.09f, 0.12f, 0.1f, 0.1f, 0.02f},               // 11 damper level
        {60.26f, 182.26f, 176.26f, 172.26f, 163.26f, 150.0f},  // 12 thump cutoff, Hz
        {7.1f, 1.6f, 1.8f, 1.8f, 1.9f, 1.9f},                  // 13 thump Q
        {1.9f, 0.8f, 0.9f, 1.3f, 1.7f, 1.9f},                  // 14 thump gain / 10000
        {7.0f, 7.0f, 7.0f, 7.0f, 7.0f, 7.0f},                  // 15 velocity curve
        {0.38f, 0.34f, 0.49f, 0.56f, 0.66f, 0.66f},            // 16 pickup offset
        {470.0f, 400.0f, 400.0f, 400.0f, 400.0f, 400.0f},      // 17 output cutoff at A4
        {2.2f, 1.3f, 1.7f, 1.4f, 1.0f, 1.0f},                  // 18 output Q
        {1.7f, 1.3f, 1.9f, 1.2f, 2.8f, 3.0f},                  // 19 output gain
        {0.47f, 0.47f, 0.47f, 0.47f, 0.47f, 0.47f},            // 20 bell level spread
        {0.58f, 0.58f, 0.58f, 0.58f, 0.58f, 0.58f},            // 21 bell decay spread
    },
    {1.0f,    4.0f, -8.5f, -2.5f, -2.0f, 4.0f, 16.0f, 95.0f, 180.0f, 480.0f, 1900.0f,
     3200.0f, 2.0f, 0.3f,  0.85f, 1.1f,  3.0f, 0.0f,  0.0f,  1.0f,   0.0f,   -17.0f},
};

}  // namespace

const VoicingSet& voicingSet(int /*index*/) noexcept {
    return kVoicingSet0;
}
