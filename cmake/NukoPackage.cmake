# The Debian package: `cpack -G DEB` in a build tree makes
# nu-kop32_VERSION_amd64.deb of what `cmake --install` puts under /usr (the
# program folder /usr/lib/nu-kop32, the launchers, the menu entry, icons,
# file types and description). The libraries' packages come from
# dpkg-shlibdeps over every program and module; what is opened at run time
# (a sound font, the Japanese fonts, Qt's window-system plug-ins) is named
# here. Build it from a Release tree without sanitizers:
#   cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DNUKO_BUILD_TESTS=OFF -DNUKO_BUILD_BENCH=OFF
#   cmake --build build-deb && (cd build-deb && cpack -G DEB)
# Packing takes what is built; it does not build the whole tree (tests and
# benchmarks) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nu-kop32)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "NU-KO Application")
set(CPACK_PACKAGE_CONTACT "NU-KOP32 for Linux <nu-kop32@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Media jukebox with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Plays MIDI songs (SMF, RCP/R36/G36) with their MIDI-Word scripts, audio CDs,\nmovies and sound files from folders, catalog files and LZH archives.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found beside the programs (RPATH $ORIGIN), not in
# the system's folders.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/bin")
# The sound fonts: the GM set with its drum kits, and the GS variation tones
# the default chain lays over it. libsndfile writes exports and is opened
# when the first one is written.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fluid-soundfont-gm, fluid-soundfont-gs, fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-qpa-plugins, libsndfile1")
# Archives (liblhasa, opened on use), Qt's own dialogs in Japanese and the
# sound server's ALSA plug-ins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "liblhasa0, qt6-translations-l10n, libasound2-plugins")

include(CPack)
