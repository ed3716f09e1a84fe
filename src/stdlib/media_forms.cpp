// Byte-level part of MP3 wrapping: source forms, frame headers, the WAVE
// header.
#include <algorithm>
#include <array>

#include "nuko/media_convert.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

bool TextAt(std::string_view b, std::size_t at, std::string_view lower) {
    return at + lower.size() <= b.size() && text::EqualsIgnoreAsciiCase(b.substr(at, lower.size()), lower);
}

unsigned char Byte(std::string_view b, std::size_t at) { return static_cast<unsigned char>(b[at]); }

void Put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Layer III bit rates in kbit/s by the index in the high nibble of byte 2.
constexpr std::array<int, 16> kMpeg1Kbps = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kMpeg2Kbps = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<int, 3> kMpeg1Rates = {44100, 48000, 32000};
constexpr std::array<int, 3> kMpeg2Rates = {22050, 24000, 16000};

Container ContainerAt(std::string_view b, std::size_t at) {
    if (!TextAt(b, at, "riff")) return Container::Plain;
    if (TextAt(b, at + 8, "wave")) return Container::RiffWave;
    if (TextAt(b, at + 8, "rmp3data")) return Container::RiffMp3;
    return Container::OtherRiff;
}

}  // namespace

SourceForm ClassifySource(std::string_view head) {
    SourceForm form;
    form.macbinary = !head.empty() && head[0] == '\0';
    form.container = ContainerAt(head, form.macbinary ? kMacBinaryHeaderSize : 0);
    return form;
}

ConvertNeed NeedsConvert(std::string_view head) {
    if (head.size() <= 16) return {};
    if (head[0] == '\0') return {true, true};
    switch (ContainerAt(head, 0)) {
        case Container::RiffMp3: return {true, true};
        case Container::Plain: return {true, false};
        default: return {};
    }
}

bool IsWaveCarryingMp3(std::string_view head) {
    if (head.size() <= 127) return false;
    std::string_view inner = head;
    if (head[0] == '\0') inner = head.substr(std::min(head.size(), kMacBinaryHeaderSize));
    if (ContainerAt(inner, 0) != Container::RiffWave) return false;
    std::string window = text::AsciiLowered(inner.substr(0, 127));
    std::size_t at = window.find("data");
    return at != std::string::npos && at + 8 < inner.size() && Byte(inner, at + 8) == 0xFF;
}

std::optional<FrameFormat> ParseFrameHeader(std::string_view data) {
    if (data.size() < 4 || Byte(data, 0) != 0xFF) return std::nullopt;
    FrameFormat f;
    switch (Byte(data, 1) & 0xFE) {
        case 0xFA: f.mpeg1 = true; break;
        case 0xF2: f.mpeg1 = false; break;
        default: return std::nullopt;  // not layer III, or MPEG 2.5
    }
    int index = Byte(data, 2) >> 4;
    bool supported = f.mpeg1 ? (index >= 1 && index <= 13) : (index >= 3 && index <= 12);
    if (!supported) return std::nullopt;
    f.kbps = (f.mpeg1 ? kMpeg1Kbps : kMpeg2Kbps)[static_cast<std::size_t>(index)];
    // The sampling rate goes into the header as the frames carry it; the
    // decoder takes it from there.
    int rate = (Byte(data, 2) >> 2) & 3;
    if (rate == 3) return std::nullopt;
    f.samples_per_second = (f.mpeg1 ? kMpeg1Rates : kMpeg2Rates)[static_cast<std::size_t>(rate)];
    f.channels = (Byte(data, 3) >> 6) == 3 ? 1 : 2;
    return f;
}

std::size_t Id3v2TagSize(std::string_view data) {
    if (data.size() < 10 || !data.starts_with("ID3") || Byte(data, 3) == 0xFF || Byte(data, 4) == 0xFF)
        return 0;
    std::size_t body = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if (Byte(data, i) & 0x80) return 0;  // not a synchsafe size: no tag
        body = (body << 7) | Byte(data, i);
    }
    bool footer = (Byte(data, 5) & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

std::string WaveHeader(const FrameFormat& f, std::uint32_t data_length) {
    const auto kbps = static_cast<std::uint32_t>(f.kbps);
    // Bytes of one frame: 144 (MPEG-1) or 72 (MPEG-2) x bit rate / rate. At
    // 44100 and 22050 that is kbps x 2000 / 613, the value players expect.
    std::uint32_t block = (f.samples_per_second == 44100 || f.samples_per_second == 22050)
                              ? kbps * 2000 / 613
                              : (f.mpeg1 ? 144000u : 72000u) * kbps /
                                    static_cast<std::uint32_t>(f.samples_per_second);
    std::string h;
    h.reserve(kWaveHeaderSize);
    h += "RIFF";
    Put32(h, static_cast<std::uint32_t>(kWaveHeaderSize - 8) + data_length);
    h += "WAVEfmt ";
    Put32(h, 30);
    Put16(h, 0x0055);  // MPEG layer III
    Put16(h, static_cast<std::uint32_t>(f.channels));
    Put32(h, static_cast<std::uint32_t>(f.samples_per_second));
    Put32(h, kbps * 125);  // bytes per second
    Put16(h, 1);           // block align
    Put16(h, 0);           // bits per sample
    Put16(h, 12);          // extra size
    Put16(h, 1);           // id
    Put32(h, 2);           // flags
    Put16(h, block);
    Put16(h, 1);           // frames per block
    Put16(h, 1393);        // codec delay
    h += "fact";
    Put32(h, 4);
    Put32(h, 0);
    h += "data";
    Put32(h, data_length);
    return h;
}

WrapPlan PlanWrap(std::uint64_t size, const ReadAt& read) {
    WrapPlan plan;
    SourceForm form = ClassifySource(read(0, kWrapHeadBytes));
    std::uint64_t base = form.macbinary ? kMacBinaryHeaderSize : 0;
    if (form.container == Container::RiffWave) {
        if (!form.macbinary) {
            plan.result = kConvertNothingToDo;
            return plan;
        }
        // Only the MacBinary header goes.
        plan.result = kConvertWritten;
        plan.data_offset = base;
        plan.data_length = size - base;
        return plan;
    }
    std::uint64_t offset = base + (form.container == Container::RiffMp3 ? kRiffMp3DataOffset : 0);
    if (offset >= size) return plan;
    // Most MP3 files begin with an ID3 version 2 tag; the frames follow it.
    while (std::size_t tag = Id3v2TagSize(read(offset, 10))) {
        if (tag >= size - offset) return plan;
        offset += tag;
    }
    auto format = ParseFrameHeader(read(offset, 4));
    if (!format) return plan;
    std::uint64_t data_size = size - offset;
    if (data_size > UINT32_MAX - kWaveHeaderSize) {
        plan.result = kConvertSourceFailed;  // too large for a RIFF file
        return plan;
    }
    plan.result = kConvertWritten;
    plan.header = WaveHeader(*format, static_cast<std::uint32_t>(data_size));
    plan.data_offset = offset;
    plan.data_length = data_size;
    return plan;
}

WrapPlan PlanWrap(std::string_view file) {
    return PlanWrap(file.size(), [file](std::uint64_t offset, std::size_t n) {
        return std::string(file.substr(std::min<std::uint64_t>(offset, file.size()), n));
    });
}

std::optional<std::size_t> MacRmpCutOffset(std::string_view head) {
    if (head.size() > kMacBinaryHeaderSize && head[0] == '\0') return kMacBinaryHeaderSize;
    if (head.size() > kRiffMp3DataOffset && ContainerAt(head, 0) == Container::RiffMp3)
        return kRiffMp3DataOffset;
    return std::nullopt;
}

bool IsMacBinaryMidi(std::string_view head) {
    return !head.empty() && head[0] == '\0' && TextAt(head, kMacBinaryHeaderSize, "mthd");
}

}  // namespace nuko::media
