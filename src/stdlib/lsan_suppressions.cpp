// Linked into the programs and the tests: under LeakSanitizer, leaks inside
// system libraries that live for the whole process (font caches, D-Bus, the
// one-time state of Qt and the media libraries) are not the program's; leaks
// of our own code are still reported. Without the sanitizer nothing calls it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libQt6DBus.so\n"
           "leak:libQt6XcbQpa.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libxcb.so\n"
           "leak:libmpv.so\n"
           "leak:libfluidsynth.so\n"
           "leak:libasound.so\n"
           "leak:libcdio.so\n"
           "leak:libpulse.so\n";
}
