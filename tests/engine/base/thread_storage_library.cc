// A library with thread-local storage of its own, loaded by thread_storage_test with
// dlopen, as the Python module and the libraries it needs are loaded.
thread_local int kept_by_each_thread = 0;

extern "C" __attribute__((visibility("default"))) int* thread_storage_library_value() {
  return &kept_by_each_thread;
}
