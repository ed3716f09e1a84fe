// Writes small LZH archives with stored (-lh0-) or -lh5- members, so that
// tests can put exactly the names, sizes and damage they need into an
// archive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::test {

struct LzhEntry {
    std::string name;  // stored name bytes (CP932), "\" as folder separator
    std::string data;
    int level = 0;                // 0, 1 or 2
    std::string folder;           // level 1 and 2: folder extension, "\xFF" separated
    std::int64_t declared = -1;   // original size to declare (-1: data size)
    bool bad_crc = false;
    bool name_in_extension = false;  // level 1: empty name field, name in an extension
    bool lh5 = false;                // -lh5- instead of stored
};

// The smallest -lh5- encoder: one block per run of equal bytes, each block
// with constant code tables (a table of no lengths names its one symbol), so
// every symbol of the block takes no bits at all.
inline std::string Lh5Runs(std::string_view data) {
    std::string out;
    std::uint32_t acc = 0;
    int bits = 0;
    auto put = [&](std::uint32_t value, int n) {
        for (int i = n - 1; i >= 0; --i) {
            acc = (acc << 1) | ((value >> i) & 1);
            if (++bits == 8) {
                out += static_cast<char>(acc & 0xFF);
                acc = 0;
                bits = 0;
            }
        }
    };
    for (std::size_t i = 0; i < data.size();) {
        std::size_t run = 1;
        while (i + run < data.size() && data[i + run] == data[i] && run < 0xFFFF) ++run;
        put(static_cast<std::uint32_t>(run), 16);  // symbols in the block
        put(0, 5), put(0, 5);                       // code-length code: constant
        put(0, 9), put(static_cast<unsigned char>(data[i]), 9);  // literal table: constant
        put(0, 4), put(0, 4);                       // offset table: constant
        i += run;
    }
    if (bits) put(0, 8 - bits);
    return out;
}

inline std::uint16_t LzhTestCrc(std::string_view data) {
    std::uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

inline void PutLe(std::string& s, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string LzhMember(const LzhEntry& e) {
    const std::uint64_t declared = e.declared < 0 ? e.data.size() : static_cast<std::uint64_t>(e.declared);
    std::uint16_t crc = LzhTestCrc(e.data);
    const std::string packed = e.lh5 ? Lh5Runs(e.data) : e.data;
    const char* method = e.lh5 ? "-lh5-" : "-lh0-";
    if (e.bad_crc) crc ^= 0x5555;
    std::string h;
    if (e.level == 2) {
        // file name extension, then an optional folder extension
        std::vector<std::string> exts;
        exts.push_back(std::string("\x01", 1) + e.name);
        if (!e.folder.empty()) exts.push_back(std::string("\x02", 1) + e.folder);
        std::string body;
        PutLe(body, exts.front().size() + 2, 2);  // first extension's size (from offset 24)
        for (std::size_t i = 0; i < exts.size(); ++i) {
            body += exts[i];
            PutLe(body, i + 1 < exts.size() ? exts[i + 1].size() + 2 : 0, 2);
        }
        const std::size_t total = 24 + body.size();
        PutLe(h, total, 2);
        h += method;
        PutLe(h, packed.size(), 4);
        PutLe(h, declared, 4);
        PutLe(h, 0x5F000000, 4);
        h += '\x20';
        h += '\x02';
        PutLe(h, crc, 2);
        h += 'M';
        h += body;
        return h + packed;
    }
    std::string rest;  // from offset 2
    rest += method;
    // Level 1: extension headers after the base header, counted in the
    // packed size.
    std::vector<std::string> exts;
    if (e.level == 1 && e.name_in_extension) exts.push_back(std::string("\x01", 1) + e.name);
    if (e.level == 1 && !e.folder.empty()) exts.push_back(std::string("\x02", 1) + e.folder);
    std::string ext;
    for (std::size_t i = 0; i < exts.size(); ++i) {
        ext += exts[i];
        PutLe(ext, i + 1 < exts.size() ? exts[i + 1].size() + 2 : 0, 2);
    }
    const std::string field = e.name_in_extension ? std::string() : e.name;
    PutLe(rest, packed.size() + ext.size(), 4);
    PutLe(rest, declared, 4);
    PutLe(rest, 0x2A212A21, 4);  // DOS time
    rest += '\x20';
    rest += static_cast<char>(e.level);
    rest += static_cast<char>(field.size());
    rest += field;
    PutLe(rest, crc, 2);
    if (e.level == 1) {
        rest += 'M';
        PutLe(rest, exts.empty() ? 0 : exts.front().size() + 2, 2);
    }
    unsigned sum = 0;
    for (unsigned char c : rest) sum += c;
    h += static_cast<char>(rest.size());
    h += static_cast<char>(sum & 0xFF);
    h += rest;
    h += ext;
    return h + packed;
}

inline std::string LzhArchive(const std::vector<LzhEntry>& entries) {
    std::string out;
    for (const LzhEntry& e : entries) out += LzhMember(e);
    out += '\0';
    return out;
}

}  // namespace nuko::test
