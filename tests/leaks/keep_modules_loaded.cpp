// Preloaded into the viewer for its leak check: unloading a shared library
// becomes a no-op.
//
// SDL loads its X11 support libraries at run time and unloads them when it
// quits, taking their static data with them. Whatever those libraries had
// allocated and still pointed to from that data then looks unreachable to
// LeakSanitizer, from a module it can no longer name, so neither a fix nor
// a suppression could ever match it. With every module kept mapped until
// exit, memory a library still references counts as reachable, and a real
// leak keeps a stack that names its library.
extern "C" int dlclose(void*) { return 0; }
