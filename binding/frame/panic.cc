#include "binding/frame/panic.h"

#include <pthread.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <atomic>
#include <cstdio>
#include <string>

#include "binding/python_free/notice.h"

namespace binding {
namespace {

PyObject* panic_type = nullptr;  // kept for the life of the process
std::atomic<bool> noticed{false};

constexpr const char* kDoc =
    "Raised when a call stops on a violated precondition.\n\n"
    "Like SystemExit, it derives from BaseException, so that `except Exception`\n"
    "does not catch it.";

bool is_main_thread() {
#if defined(__APPLE__)
  return pthread_main_np() != 0;
#elif defined(__linux__)
  return syscall(SYS_gettid) == getpid();
#else
  return false;
#endif
}

std::string thread_name() {
  if (is_main_thread()) return "main";
  char name[64] = {};
  if (pthread_getname_np(pthread_self(), name, sizeof name) == 0 && name[0] != '\0') {
    return name;
  }
  return "<unnamed>";
}

void write_notice(std::string_view message, const std::source_location& where) {
  const bool first = !noticed.exchange(true);
  const std::string text = stop_notice(thread_name(), where.file_name(), where.line(),
                                       where.column(), message, first);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

PyObject* panic_exception_type() {
  if (panic_type == nullptr) {
    panic_type = PyErr_NewExceptionWithDoc("sheafwork.PanicException", kDoc,
                                           PyExc_BaseException, nullptr);
    if (panic_type == nullptr) throw_python_error();
  }
  return panic_type;
}

void raise_panic(std::string_view message, const std::source_location& where) noexcept {
  try {
    write_notice(message, where);
  } catch (...) {
    // The notice is a courtesy; the exception below is what matters.
  }
  PyObject* type = nullptr;
  try {
    type = panic_exception_type();
  } catch (const PythonError&) {
    return;  // the failure to make the class is the exception the caller sees
  }
  Ref text = Ref::steal(PyUnicode_DecodeUTF8(message.data(),
                                             static_cast<Py_ssize_t>(message.size()),
                                             "replace"));
  if (!text) return;
  PyErr_SetObject(type, text.get());
}

}  // namespace binding
