// Linked into the programs and the tests: under LeakSanitizer, leaks inside
// system libraries that live for the whole process (font caches, D-Bus, the
// one-time state of Qt and the media libraries) are not the program's; leaks
// of our own code are still reported. Without the sanitizer nothing calls it.
// Under ThreadSanitizer, likewise, only what is proven to happen inside a
// system library is left out.
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

extern "C" const char* __tsan_default_suppressions() {
    // FluidSynth's OpenMP runtime hands memory between its worker threads
    // through futexes, which the sanitizer cannot see: every report has
    // both accesses inside libgomp's own allocations.
    // libavutil's buffer pools are freed by whichever of libmpv's threads
    // drops the last reference, counted with atomics the sanitizer cannot
    // see: both accesses are inside libmpv and libavutil.
    // PulseAudio's client library passes its blocks between the caller and
    // its mainloop thread through lock-free queues of its own: both accesses
    // are inside libpulse and libpulsecommon.
    return "race:libgomp.so.1\n"
           "race:av_buffer_pool_uninit\n"
           "race:libpulse\n";
}
