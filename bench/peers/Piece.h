#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PeerInstrument.h"

// A MIDI file cut into the host blocks in which every instrument plays it: 512 frames at
// 44.1 kHz, at most 128 events a block, 2 s of tail after the last event.
class Piece {
public:
    static constexpr uint32_t kRate = 44100;
    static constexpr int kHostBlock = 512;

    struct HostBlock {
        int frames = 0;
        std::vector<BlockEvent> events;
    };

    Piece(std::string name, const std::string& path);

    const std::string& name() const { return label; }
    const std::vector<HostBlock>& blocks() const { return hostBlocks; }
    int64_t frames() const { return totalFrames; }
    double seconds() const { return static_cast<double>(totalFrames) / kRate; }

private:
    std::string label;
    std::vector<HostBlock> hostBlocks;
    int64_t totalFrames = 0;
};
