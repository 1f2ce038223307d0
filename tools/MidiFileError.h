#pragma once

#include <stdexcept>
#include <string>

// Why a MIDI file could not be read; the text is one line, fit for the user.
class MidiFileError : public std::runtime_error {
public:
    explicit MidiFileError(const std::string& message) : std::runtime_error(message) {}
};
