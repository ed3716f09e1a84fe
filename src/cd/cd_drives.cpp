#include "cd/cd_drives.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "nuko/text.h"

namespace nuko::cd {

std::string CdDrive::Label() const {
    if (image) return std::string(path::FileName(device));
    return std::string(1, letter);
}

namespace {

std::string Canonical(const std::string& p) {
    std::error_code ec;
    std::filesystem::path c = std::filesystem::canonical(p, ec);
    return ec ? p : c.string();
}

}  // namespace

std::vector<CdDrive> AssignDriveLetters(const std::vector<std::string>& devices, const path::DriveMap& drives) {
    std::vector<CdDrive> out;
    std::vector<bool> used(26, false);
    for (const auto& [letter, folder] : drives)
        if (letter >= 'A' && letter <= 'Z') used[static_cast<std::size_t>(letter - 'A')] = true;
    std::vector<char> letters(devices.size(), 0);
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const std::string real = Canonical(devices[i]);
        for (const auto& [letter, target] : drives) {
            if (letter < 'A' || letter > 'Z' || target.empty()) continue;
            if (target == devices[i] || Canonical(target) == real) {
                letters[i] = letter;
                break;
            }
        }
    }
    char next = 'D';
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (!letters[i]) {
            while (next <= 'Z' && used[static_cast<std::size_t>(next - 'A')]) ++next;
            if (next > 'Z') continue;
            letters[i] = next;
            used[static_cast<std::size_t>(next - 'A')] = true;
        }
        out.push_back({letters[i], devices[i], false});
    }
    std::stable_sort(out.begin(), out.end(), [](const CdDrive& a, const CdDrive& b) { return a.letter < b.letter; });
    return out;
}

int FindDriveByLetter(const std::vector<CdDrive>& list, char letter) {
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!list[i].image && list[i].letter == up) return static_cast<int>(i);
    return -1;
}

int FindDriveByDevice(const std::vector<CdDrive>& list, const std::string& device) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].device == device) return static_cast<int>(i);
    return -1;
}

std::string MultiCdDriveLine(std::string_view label, const CdDrive& drive, int index) {
    std::string line(label);
    std::size_t characters = 0;
    for (unsigned char c : line) characters += (c & 0xC0) != 0x80;  // UTF-8 lead bytes
    for (; characters < 32; ++characters) line.push_back(' ');
    line.push_back(drive.letter ? drive.letter : '-');
    line += "  (No.";
    line.push_back(static_cast<char>('1' + index));
    line += ")  ";
    line += drive.image ? std::string(path::FileName(drive.device)) : drive.device;
    return line;
}

std::optional<CdPathForm> ParseCdPathForm(std::string_view p) {
    if (p.size() < 3) return std::nullopt;
    const unsigned char first = static_cast<unsigned char>(p[0]);
    if (!std::isalpha(first)) return std::nullopt;
    CdPathForm form;
    form.letter = static_cast<char>(std::toupper(first));
    if (p.size() == 3) {
        if (p[1] != ':' || (p[2] != '\\' && p[2] != '/')) return std::nullopt;
        return form;
    }
    if (p[1] != '*') return std::nullopt;
    std::string_view digits = p.substr(2);
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    int track = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        track = track * 10 + (c - '0');
    }
    if (track < 1) return std::nullopt;
    form.track = track;
    return form;
}

int CdaTrackNumber(std::string_view p) {
    std::string lowered = text::AsciiLowered(p);
    std::size_t at = lowered.rfind(".cda");
    if (at == std::string::npos || at < 2) return 0;
    const char a = p[at - 2], b = p[at - 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return 0;
    return (a - '0') * 10 + (b - '0');
}

}  // namespace nuko::cd
