// A module built into the folder of the platform tests' executable, to be
// found there by a bare file name.
extern "C" __attribute__((visibility("default"))) int hox_beside_probe_answer() { return 42; }
