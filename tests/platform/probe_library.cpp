// A small library for the library-loader tests: copies of it under different names and
// folders show which file a load picked.
extern "C" int probe_value() {
  return 42;
}
