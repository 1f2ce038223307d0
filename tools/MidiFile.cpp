#include "MidiFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "MidiFileError.h"
#include "ToolPlatform.h"

namespace {

uint32_t bigEndian32(std::span<const uint8_t> b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           uint32_t{b[at + 3]};
}

uint16_t bigEndian16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

bool hasTag(std::span<const uint8_t> b, size_t at, const char* tag) {
    return std::memcmp(b.data() + at, tag, 4) == 0;
}

std::string hexByte(unsigned value) {
    static const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 15] + digits[value & 15];
}

// Reads a track's bytes with the track number and the file offset at hand for the messages.
class TrackCursor {
public:
    TrackCursor(std::span<const uint8_t> b, size_t begin, size_t end, int track)
        : bytes(b), pos(begin), limit(end), trackNumber(track + 1) {}

    bool atEnd() const { return pos >= limit; }
    size_t offset() const { return pos; }

    uint8_t peek(const char* what) const {
        if (pos >= limit) {
            fail(std::string("is truncated (it ends inside ") + what + ")");
        }
        return bytes[pos];
    }

    uint8_t take(const char* what) {
        const uint8_t b = peek(what);
        ++pos;
        return b;
    }

    // A variable-length quantity: 7 bits per byte, most significant first, at most 4 bytes.
    uint32_t takeVariableLength(const char* what) {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t b = take(what);
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0) {
                return value;
            }
        }
        fail(std::string("has a number longer than 4 bytes (in ") + what + ") at byte " +
             std::to_string(pos - 4));
    }

    void skip(uint32_t count, const char* what) {
        if (count > limit - pos) {
            fail(std::string("is truncated (it ends inside ") + what + ")");
        }
        pos += count;
    }

    [[noreturn]] void fail(const std::string& message) const {
        throw MidiFileError("track " + std::to_string(trackNumber) + " " + message);
    }

private:
    std::span<const uint8_t> bytes;
    size_t pos;
    size_t limit;
    int trackNumber;
};

}  // namespace

MidiFile MidiFile::load(const std::string& path) {
    // Asked before opening: Windows refuses to open a directory at all ("Permission denied").
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw MidiFileError("is a directory, not a MIDI file");
    }
    const int fd = ToolPlatform::openForReading(path);
    if (fd < 0) {
        throw MidiFileError(std::string("cannot open: ") + std::strerror(errno));
    }
    std::vector<uint8_t> bytes;
    std::string failure;
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            failure = std::string("cannot read: ") + std::strerror(errno);
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > kMaxFileSize) {
            failure = "too large for a MIDI file (more than 64 MiB)";
            break;
        }
    }
    ::close(fd);
    if (!failure.empty()) {
        throw MidiFileError(failure);
    }
    return parse(bytes);
}

MidiFile MidiFile::parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4 || !hasTag(bytes, 0, "MThd")) {
        throw MidiFileError("not a MIDI file (no MThd header)");
    }
    if (bytes.size() < 8) {
        throw MidiFileError("truncated MIDI header");
    }
    const uint32_t headerLength = bigEndian32(bytes, 4);
    if (headerLength < 6) {
        throw MidiFileError("malformed MIDI header (length " + std::to_string(headerLength) + ")");
    }
    if (headerLength > bytes.size() - 8) {
        throw MidiFileError("truncated MIDI header");
    }

    MidiFile file;
    file.fileFormat = bigEndian16(bytes, 8);
    file.tracks = bigEndian16(bytes, 10);
    const uint16_t division = bigEndian16(bytes, 12);
    if (file.fileFormat == 2) {
        throw MidiFileError("MIDI file type 2 (independent sequences) is not supported");
    }
    if (file.fileFormat > 2) {
        throw MidiFileError("unknown MIDI file type " + std::to_string(file.fileFormat));
    }
    if ((division & 0x8000u) != 0) {
        // SMPTE: the high byte is minus the frame rate, the low byte the ticks per frame.
        const int fps = -static_cast<int>(static_cast<int8_t>(division >> 8));
        const int ticksPerFrame = division & 0xFF;
        if (fps != 24 && fps != 25 && fps != 29 && fps != 30) {
            throw MidiFileError("unsupported SMPTE frame rate " + std::to_string(fps));
        }
        if (ticksPerFrame == 0) {
            throw MidiFileError("SMPTE time division with 0 ticks per frame");
        }
        file.timeDivision = TimeDivision{true, 0, fps, ticksPerFrame};
    } else {
        if (division == 0) {
            throw MidiFileError("time division of 0 ticks per quarter note");
        }
        file.timeDivision = TimeDivision{false, division, 0, 0};
    }

    size_t pos = 8 + size_t{headerLength};
    int found = 0;
    while (found < file.tracks) {
        const std::string which = "track " + std::to_string(found + 1);
        if (pos >= bytes.size()) {
            throw MidiFileError("truncated file: it ends before " + which + " of " +
                                std::to_string(file.tracks));
        }
        if (bytes.size() - pos < 8) {
            throw MidiFileError(which + " is truncated (its chunk header is cut short)");
        }
        const uint32_t length = bigEndian32(bytes, pos + 4);
        const size_t remaining = bytes.size() - pos - 8;
        const bool isTrack = hasTag(bytes, pos, "MTrk");
        if (length > remaining) {
            throw MidiFileError((isTrack ? which : std::string("a chunk before ") + which) +
                                " is truncated: it declares " + std::to_string(length) +
                                " bytes, the file holds " + std::to_string(remaining));
        }
        if (isTrack) {
            file.parseTrack(bytes, pos + 8, pos + 8 + length, found);
            ++found;
        }
        // Chunks of other types are skipped, as the format asks readers to do.
        pos += 8 + size_t{length};
    }

    // Tracks were read in file order, so a stable sort by tick merges them with the earlier
    // track first on equal ticks.
    auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(file.channelEvents.begin(), file.channelEvents.end(), byTick);
    std::stable_sort(file.tempos.begin(), file.tempos.end(), byTick);
    return file;
}

void MidiFile::parseTrack(std::span<const uint8_t> bytes, size_t begin, size_t end, int track) {
    TrackCursor in(bytes, begin, end, track);
    uint64_t tick = 0;
    // Running status. The format has meta and system-exclusive events cancel it; it is kept
    // across them here, which reads every conforming file the same and still reads files whose
    // writers relied on it.
    uint8_t running = 0;
    while (!in.atEnd()) {
        tick += in.takeVariableLength("a delta time");
        lastTick = std::max(lastTick, tick);
        const size_t at = in.offset();
        const uint8_t first = in.peek("an event");
        if (first == 0xFF) {
            in.take("a meta event");
            const uint8_t type = in.take("a meta event");
            const uint32_t length = in.takeVariableLength("a meta event");
            const size_t dataAt = in.offset();
            in.skip(length, "a meta event");
            if (type == 0x2F) {
                return;  // end of track: whatever follows in the chunk is not part of it
            }
            if (type == 0x51) {
                if (length != 3) {
                    in.fail("has a malformed tempo event at byte " + std::to_string(at));
                }
                const uint32_t tempo = (uint32_t{bytes[dataAt]} << 16) |
                                       (uint32_t{bytes[dataAt + 1]} << 8) | bytes[dataAt + 2];
                if (tempo == 0) {
                    in.fail("sets a tempo of 0 microseconds per quarter note at byte " +
                            std::to_string(at));
                }
                if (!timeDivision.smpte) {
                    tempos.push_back(TempoChange{tick, tempo});
                }
            }
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            in.take("a system-exclusive event");
            in.skip(in.takeVariableLength("a system-exclusive event"), "a system-exclusive event");
            continue;
        }
        if (first > 0xF0) {
            in.fail("has an unexpected status byte " + hexByte(first) + " at byte " +
                    std::to_string(at));
        }
        uint8_t status = running;
        if ((first & 0x80u) != 0) {
            status = in.take("an event");
        } else if (running == 0) {
            in.fail("has a data byte " + hexByte(first) + " without a status at byte " +
                    std::to_string(at));
        }
        running = status;
        const uint8_t kind = status & 0xF0;
        MidiEvent event;
        event.tick = tick;
        event.track = track;
        event.status = status;
        event.dataCount = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        for (int i = 0; i < event.dataCount; ++i) {
            const size_t dataAt = in.offset();
            const uint8_t b = in.take("a channel message");
            if ((b & 0x80u) != 0) {
                in.fail("has a status byte " + hexByte(b) + " where a data byte belongs at byte " +
                        std::to_string(dataAt));
            }
            (i == 0 ? event.data1 : event.data2) = b;
        }
        channelEvents.push_back(event);
    }
}
