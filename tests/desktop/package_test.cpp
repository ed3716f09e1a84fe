// The Debian package: cpack makes it from this build tree (gzip and no
// stripping, to keep the test quick), and dpkg-deb reads it back: the files
// a user runs, the desktop's files, and dependencies that dpkg-shlibdeps
// found in the programs and modules beside the ones named by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "media_fixtures.h"
#include "test_support.h"

using namespace nuko;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// dpkg-deb -c prints "mode owner size date time ./path[ -> target]".
bool Lists(const std::vector<std::string>& listing, const std::string& entry) {
    for (const std::string& line : listing) {
        const std::size_t at = line.find(" ./");
        if (at != std::string::npos && line.substr(at + 1) == entry) return true;
    }
    return false;
}

// The names in a control field, without versions and alternatives split.
std::vector<std::string> Names(const std::string& field) {
    std::vector<std::string> out;
    std::string name;
    bool in_version = false;
    for (char c : field + ",") {
        if (c == '(') in_version = true;
        if (c == ')') in_version = false;
        if (in_version || c == '(' || c == ')' || c == ' ' || c == '\n') continue;
        if (c == ',' || c == '|') {
            if (!name.empty()) out.push_back(name);
            name.clear();
            continue;
        }
        name += c;
    }
    return out;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST(DebianPackage, HoldsTheProgramsModulesAndMenuEntryAndNamesItsDependencies) {
    NUKO_REQUIRE_TOOL(!test::FindProgram("dpkg-shlibdeps").empty(), "no dpkg-shlibdeps (package dpkg-dev)");
    test::TempDir out;
    std::string log;
    ASSERT_EQ(test::RunProgram({"cpack", "-G", "DEB", "--config", std::string(NUKO_BINARY_DIR) + "/CPackConfig.cmake",
                                "-B", out.path(), "-D", "CPACK_DEBIAN_COMPRESSION_TYPE=gzip", "-D",
                                "CPACK_STRIP_FILES=OFF"},
                               &log),
              0)
        << log;
    const std::string deb = out.File("nu-kop32_" NUKO_VERSION "_amd64.deb");
    ASSERT_TRUE(std::filesystem::is_regular_file(deb)) << log;

    std::string field;
    ASSERT_EQ(test::RunProgram({"dpkg-deb", "-f", deb, "Package"}, &field), 0) << field;
    EXPECT_EQ(field, "nu-kop32\n");
    ASSERT_EQ(test::RunProgram({"dpkg-deb", "-f", deb, "Architecture"}, &field), 0);
    EXPECT_EQ(field, "amd64\n");
    ASSERT_EQ(test::RunProgram({"dpkg-deb", "-f", deb, "Depends"}, &field), 0) << field;
    const std::vector<std::string> depends = Names(field);
    // Found in the programs and modules: Qt, FluidSynth, libmpv, libcdio,
    // libdiscid, ALSA, X11's input extension.
    for (const char* lib : {"libqt6widgets6", "libqt6dbus6", "libfluidsynth3", "libmpv2",
                            "libcdio19", "libdiscid0", "libasound2", "libx11-6", "libxi6", "libc6"})
        EXPECT_TRUE(Has(depends, lib)) << lib << " not in: " << field;
    // Named: what is opened at run time.
    for (const char* runtime : {"fluid-soundfont-gm", "fluid-soundfont-gs", "fonts-ipafont-gothic", "fonts-ipafont-mincho",
                                "qt6-qpa-plugins", "libsndfile1"})
        EXPECT_TRUE(Has(depends, runtime)) << runtime << " not in: " << field;
    // The fluid fonts replace the small GM one.
    EXPECT_FALSE(Has(depends, "timgm6mb-soundfont")) << field;
    ASSERT_EQ(test::RunProgram({"dpkg-deb", "-f", deb, "Recommends"}, &field), 0);
    EXPECT_TRUE(Has(Names(field), "liblhasa0")) << field;

    std::string contents;
    ASSERT_EQ(test::RunProgram({"dpkg-deb", "-c", deb}, &contents), 0) << contents;
    const std::vector<std::string> listing = Lines(contents);
    for (const char* f : {"./usr/lib/nu-kop32/nu_kop32", "./usr/lib/nu-kop32/nu_32cvt", "./usr/lib/nu-kop32/nu_kotool",
                          "./usr/lib/nu-kop32/libnu_32std.so", "./usr/lib/nu-kop32/libnu_32cnv.so",
                          "./usr/lib/nu-kop32/libnu_32mhk.so", "./usr/lib/nu-kop32/librcpcv.so",
                          "./usr/lib/nu-kop32/libnuko_cd.so", "./usr/lib/nu-kop32/nuko_backend_fluidsynth.so",
                          "./usr/lib/nu-kop32/nuko_backend_mpv.so", "./usr/share/applications/jp.nuko.NuKop32.desktop",
                          "./usr/share/metainfo/jp.nuko.NuKop32.metainfo.xml", "./usr/share/mime/packages/nu-kop32.xml",
                          "./usr/share/icons/hicolor/scalable/apps/nu-kop32.svg",
                          "./usr/share/icons/hicolor/48x48/apps/nu-kop32.png",
                          "./usr/bin/nu_kop32 -> ../lib/nu-kop32/nu_kop32"})
        EXPECT_TRUE(Lists(listing, f)) << f << " not in:\n" << contents;
    // Nothing of the build or the tests goes along.
    for (const std::string& line : listing) {
        EXPECT_EQ(line.find("/tests/"), std::string::npos) << line;
        EXPECT_EQ(line.find("_test"), std::string::npos) << line;
    }
}
