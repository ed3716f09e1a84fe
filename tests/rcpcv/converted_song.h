// The converter's output read back by the player's own SMF reader, for the
// converter's tests.
#pragma once

#include <gtest/gtest.h>

#include "playback/midi_song.h"
#include "rcpcv/rcp_convert.h"

namespace nuko::rcpcv::test {

inline midi::Song Parse(const ConvertResult& r) {
    EXPECT_EQ(r.error, ConvertError::None);
    std::string error;
    auto song = midi::ParseSmf(std::string_view(reinterpret_cast<const char*>(r.smf.data()), r.smf.size()), &error);
    EXPECT_TRUE(song) << error;
    return song ? *song : midi::Song{};
}

}  // namespace nuko::rcpcv::test
