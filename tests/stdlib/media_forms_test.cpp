// MP3 wrapping on bytes: source forms, frame headers, the WAVE header.
#include <gtest/gtest.h>

#include "media_test_util.h"
#include "nuko/media_convert.h"

using namespace nuko::media;
using namespace nuko::test;
using namespace std::literals;

TEST(FrameHeader, Mpeg1At128kbitStereoGivesTheDocumentedHeader) {
    auto f = ParseFrameHeader(kFrame128);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->channels, 2);
    EXPECT_EQ(f->samples_per_second, 44100);
    EXPECT_EQ(f->kbps, 128);

    std::string h = WaveHeader(*f, 1000);
    ASSERT_EQ(h.size(), kWaveHeaderSize);
    EXPECT_EQ(h.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32At(h, 4), 70u + 1000u - 8u);
    EXPECT_EQ(h.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32At(h, 16), 30u);
    EXPECT_EQ(Le16At(h, 20), 0x55);
    EXPECT_EQ(Le16At(h, 22), 2);
    EXPECT_EQ(Le32At(h, 24), 44100u);
    EXPECT_EQ(Le32At(h, 28), 16000u);
    EXPECT_EQ(Le16At(h, 32), 1);
    EXPECT_EQ(Le16At(h, 34), 0);
    EXPECT_EQ(Le16At(h, 36), 12);
    EXPECT_EQ(Le16At(h, 38), 1);
    EXPECT_EQ(Le32At(h, 40), 2u);
    EXPECT_EQ(Le16At(h, 44), 417);
    EXPECT_EQ(Le16At(h, 46), 1);
    EXPECT_EQ(Le16At(h, 48), 1393);
    EXPECT_EQ(h.substr(50, 4), "fact");
    EXPECT_EQ(Le32At(h, 54), 4u);
    EXPECT_EQ(Le32At(h, 58), 0u);
    EXPECT_EQ(h.substr(62, 4), "data");
    EXPECT_EQ(Le32At(h, 66), 1000u);
}

TEST(FrameHeader, ChannelsRatesAndBitRates) {
    // Mono: both channel mode bits set. The protection bit does not matter.
    auto mono = ParseFrameHeader("\xFF\xFA\x90\xC0");
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->channels, 1);

    auto mpeg2 = ParseFrameHeader("\xFF\xF3\x80\x64");  // 64 kbit/s, 22050
    ASSERT_TRUE(mpeg2);
    EXPECT_FALSE(mpeg2->mpeg1);
    EXPECT_EQ(mpeg2->samples_per_second, 22050);
    EXPECT_EQ(mpeg2->kbps, 64);
    // The block is one frame: 576 samples of a layer III frame at MPEG-2,
    // 576 / 8 x 64000 / 22050 = 208.98 bytes, 208 without the padding byte.
    EXPECT_EQ(Le16At(WaveHeader(*mpeg2, 0), 44), 208);

    // The header carries the rate the frames have, and a block size to it.
    auto at48k = ParseFrameHeader("\xFF\xFB\x94\x64");
    ASSERT_TRUE(at48k);
    EXPECT_EQ(at48k->samples_per_second, 48000);
    EXPECT_EQ(Le16At(WaveHeader(*at48k, 0), 44), 384);
    EXPECT_EQ(ParseFrameHeader("\xFF\xF3\x88\x64")->samples_per_second, 16000);

    EXPECT_EQ(ParseFrameHeader("\xFF\xFB\x10\x00"sv)->kbps, 32);   // lowest MPEG-1 index
    EXPECT_EQ(ParseFrameHeader("\xFF\xFB\xD0\x00"sv)->kbps, 256);  // highest supported
    EXPECT_EQ(ParseFrameHeader("\xFF\xF3\x30\x00"sv)->kbps, 24);
    EXPECT_EQ(ParseFrameHeader("\xFF\xF3\xC0\x00"sv)->kbps, 128);
}

TEST(FrameHeader, UnsupportedHeaders) {
    const std::string_view bad[] = {
        "\xFF\xFB\x00\x64"sv,  // free format
        "\xFF\xFB\xE0\x64"sv,  // 320 kbit/s is beyond the supported table
        "\xFF\xFB\xF0\x64"sv,  // bad index
        "\xFF\xF3\x20\x64"sv,  // MPEG-2 16 kbit/s
        "\xFF\xF3\xD0\x64"sv,  // MPEG-2 144 kbit/s
        "\xFF\xE3\x40\x64"sv,  // MPEG 2.5
        "\xFF\xFD\x90\x64"sv,  // layer II
        "\xFF\xFB\x9C\x64"sv,  // reserved sampling rate
        "\x7F\xFB\x90\x64"sv,  // no sync byte
        "ID3\x04"sv,
    };
    for (auto b : bad) EXPECT_FALSE(ParseFrameHeader(b)) << static_cast<unsigned char>(b[1]);
    EXPECT_FALSE(ParseFrameHeader("\xFF\xFB\x90"));
    EXPECT_FALSE(ParseFrameHeader(""));
}

TEST(Id3v2, SizeFromTheSynchsafeHeader) {
    EXPECT_EQ(Id3v2TagSize(Id3v2Tag(257)), 267u);
    std::string footer = Id3v2Tag(5);
    footer[5] = 0x10;
    EXPECT_EQ(Id3v2TagSize(footer), 25u);
    std::string broken = Id3v2Tag(5);
    broken[7] = static_cast<char>(0x80);  // not synchsafe
    EXPECT_EQ(Id3v2TagSize(broken), 0u);
    EXPECT_EQ(Id3v2TagSize("ID3"), 0u);
    EXPECT_EQ(Id3v2TagSize(kFrame128), 0u);
}

TEST(Forms, WhatNeedsConverting) {
    std::string mp3 = Mp3Frames(2);
    auto need = [](std::string_view head) {
        ConvertNeed n = NeedsConvert(head);
        return std::pair(n.convert, n.mac_or_rmp);
    };
    EXPECT_EQ(need(mp3), std::pair(true, false));
    EXPECT_EQ(need(MacBinary(mp3)), std::pair(true, true));
    EXPECT_EQ(need(RiffMp3(mp3)), std::pair(true, true));
    EXPECT_EQ(need(WaveWithMp3(mp3)), std::pair(false, false));
    EXPECT_EQ(need("riff\x10\0\0\0AVI LIST----"sv), std::pair(false, false));
    EXPECT_EQ(need("riff\x10\0\0\0rmp3DATA\0\0\0\0x"sv), std::pair(true, true));
    EXPECT_EQ(need(mp3.substr(0, 16)), std::pair(false, false));  // 16 bytes or less
    EXPECT_EQ(need(""), std::pair(false, false));
}

TEST(Forms, WaveCarryingMp3) {
    std::string mp3 = Mp3Frames(2);
    EXPECT_TRUE(IsWaveCarryingMp3(WaveWithMp3(mp3)));
    EXPECT_TRUE(IsWaveCarryingMp3(MacBinary(WaveWithMp3(mp3))));
    EXPECT_FALSE(IsWaveCarryingMp3(WaveWithMp3(std::string(800, '\x10'))));  // PCM-like data
    EXPECT_FALSE(IsWaveCarryingMp3(mp3));
    EXPECT_FALSE(IsWaveCarryingMp3(WaveWithMp3(mp3).substr(0, 127)));
    // "data" beyond the first 127 bytes does not count.
    std::string wave = WaveWithMp3(mp3);
    wave.insert(12, "JUNK" + Le32(100) + std::string(100, ' '));
    EXPECT_FALSE(IsWaveCarryingMp3(wave));
    // "data" near the end of the window with its first byte past the bytes
    // given: no read outside them.
    std::string edge = "RIFF" + Le32(0) + "WAVE" + std::string(108, ' ') + "data";
    ASSERT_EQ(edge.size(), 124u);
    EXPECT_FALSE(IsWaveCarryingMp3(edge + "abcd"));
}

TEST(PlanWrap, PlainMp3AndItsId3v2Tag) {
    std::string mp3 = Mp3Frames(3);
    WrapPlan plain = PlanWrap(mp3);
    EXPECT_EQ(plain.result, kConvertWritten);
    EXPECT_EQ(plain.data_offset, 0u);
    EXPECT_EQ(plain.data_length, mp3.size());
    EXPECT_EQ(Le32At(plain.header, 66), mp3.size());

    // The tag is skipped and left out of the WAVE data, whose first byte is
    // then the frame's.
    std::string tagged = Id3v2Tag(300) + mp3;
    WrapPlan skip = PlanWrap(tagged);
    EXPECT_EQ(skip.result, kConvertWritten);
    EXPECT_EQ(skip.data_offset, 310u);
    EXPECT_EQ(skip.data_length, mp3.size());

    // A tag whose size points past the data, or junk after it.
    EXPECT_EQ(PlanWrap(Id3v2Tag(300) + "x").result, kConvertUnsupportedFrame);
    std::string huge = Id3v2Tag(10);
    huge[6] = 0x7F;
    EXPECT_EQ(PlanWrap(huge + mp3).result, kConvertUnsupportedFrame);
    EXPECT_EQ(PlanWrap(Id3v2Tag(10) + "junkjunk").result, kConvertUnsupportedFrame);
}

TEST(PlanWrap, EveryForm) {
    std::string mp3 = Mp3Frames(3);
    EXPECT_EQ(PlanWrap(WaveWithMp3(mp3)).result, kConvertNothingToDo);

    WrapPlan rmp = PlanWrap(RiffMp3(mp3));
    EXPECT_EQ(rmp.data_offset, 20u);
    EXPECT_EQ(rmp.data_length, mp3.size());

    WrapPlan mac = PlanWrap(MacBinary(mp3));
    EXPECT_EQ(mac.data_offset, 128u);
    EXPECT_EQ(mac.data_length, mp3.size());

    // A RIFF-MP3 file behind a MacBinary header: its data at 128 + 20.
    WrapPlan mac_rmp = PlanWrap(MacBinary(RiffMp3(mp3)));
    EXPECT_EQ(mac_rmp.result, kConvertWritten);
    EXPECT_EQ(mac_rmp.data_offset, 148u);
    EXPECT_EQ(mac_rmp.header, rmp.header);

    // A RIFF WAVE behind a MacBinary header loses only that header.
    std::string wave = WaveWithMp3(mp3);
    WrapPlan mac_wave = PlanWrap(MacBinary(wave));
    EXPECT_EQ(mac_wave.result, kConvertWritten);
    EXPECT_TRUE(mac_wave.header.empty());
    EXPECT_EQ(mac_wave.data_offset, 128u);
    EXPECT_EQ(mac_wave.data_length, wave.size());
}

TEST(PlanWrap, ShortAndJunkSources) {
    EXPECT_EQ(PlanWrap("").result, kConvertUnsupportedFrame);
    EXPECT_EQ(PlanWrap("\xFF\xFB\x90").result, kConvertUnsupportedFrame);
    EXPECT_EQ(PlanWrap(std::string(100, '\0')).result, kConvertUnsupportedFrame);  // MacBinary, no data
    EXPECT_EQ(PlanWrap(MacBinary("")).result, kConvertUnsupportedFrame);
    EXPECT_EQ(PlanWrap(RiffMp3("")).result, kConvertUnsupportedFrame);
    EXPECT_EQ(PlanWrap("RIFF\0\0\0\0AVI LIST\0\0\0\0"sv).result, kConvertUnsupportedFrame);
}

TEST(Cuts, WhereTheDataStarts) {
    std::string mp3 = Mp3Frames(1);
    EXPECT_EQ(MacRmpCutOffset(MacBinary(mp3)), 128u);
    // Only the MacBinary header goes, even when a RIFF-MP3 file lies behind it.
    EXPECT_EQ(MacRmpCutOffset(MacBinary(RiffMp3(mp3))), 128u);
    EXPECT_EQ(MacRmpCutOffset(RiffMp3(mp3)), 20u);
    EXPECT_EQ(MacRmpCutOffset(mp3), std::nullopt);
    EXPECT_EQ(MacRmpCutOffset(WaveWithMp3(mp3)), std::nullopt);
    EXPECT_EQ(MacRmpCutOffset(std::string(128, '\0')), std::nullopt);
    EXPECT_EQ(MacRmpCutOffset(RiffMp3("")), std::nullopt);

    std::string smf = Smf("");
    EXPECT_TRUE(IsMacBinaryMidi(MacBinary(smf)));
    std::string lower = MacBinary(smf);
    lower.replace(128, 4, "mthd");
    EXPECT_TRUE(IsMacBinaryMidi(lower));
    EXPECT_FALSE(IsMacBinaryMidi(smf));
    EXPECT_FALSE(IsMacBinaryMidi(MacBinary("MTh")));
    EXPECT_FALSE(IsMacBinaryMidi(MacBinary(mp3)));
}
