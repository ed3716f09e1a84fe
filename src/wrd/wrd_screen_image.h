// Composed MIDI-Word screens as Qt images and PNG files.
#pragma once

#include <QImage>
#include <string>

#include "midi_word_frame.h"

namespace nuko::wrd {

QImage ToQImage(const RgbImage& image);

// Writes the screen as a PNG file; false when it cannot be written.
bool WriteScreenPng(const RgbImage& image, const std::string& path);

}  // namespace nuko::wrd
