// INI engine: one key read from, and one key written into, a file of 5,000
// sections of 20 keys, beside reading the file's bytes.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench_util.h"
#include "nuko/fileio.h"
#include "nuko/ini.h"

int main() {
    char tmpl[] = "/tmp/nuko-ini-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    std::string path = std::string(tmpl) + "/big.ini";
    std::string text;
    for (int s = 0; s < 5000; ++s) {
        text += "[Section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            text += "Key" + std::to_string(k) + "=value " + std::to_string(s * 20 + k) + "\r\n";
    }
    if (nuko::fileio::WriteFileAtomic(path, text)) return 1;
    std::printf("file: %zu bytes, 5000 sections x 20 keys\n", text.size());

    using nuko::ini::Encoding;
    double read_bytes = nuko::bench::BestMs(10, [&] { (void)nuko::fileio::ReadFile(path); });
    std::string got;
    double read_key = nuko::bench::BestMs(10, [&] {
        got = nuko::ini::GetProfileString(path, "Section4999", "Key19", "", Encoding::Legacy);
    });
    if (got != "value 99999") std::printf("wrong value read: %s\n", got.c_str());
    int n = 0;
    double write_key = nuko::bench::BestMs(10, [&] {
        (void)nuko::ini::WriteProfileString(path, "Section2500", "Key10", "new " + std::to_string(n++),
                                            Encoding::Legacy);
    });
    nuko::bench::Report("read one key (last section)", read_key, "read bytes", read_bytes);
    nuko::bench::Report("write one key (middle section)", write_key, "read bytes", read_bytes);
    ::unlink(path.c_str());
    ::rmdir(tmpl);
    return 0;
}
