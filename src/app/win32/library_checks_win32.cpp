// How setup.exe throws when the C++ library's own checks fail: a position past
// the end, a string grown beyond its limit, no memory. The library's helpers
// throw std::out_of_range and its kin, whose messages are kept in the old
// string type; the one object file that holds them all brings that string
// type whole into the program, and random_device with it (about 50 KiB).
// These throw a plain std::exception with the same message instead, which
// the runtime reports like any other internal failure. Linked into the
// program itself, so that the library's helpers are never pulled in.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <utility>

namespace {

class LibraryCheckFailed : public std::exception {
 public:
  explicit LibraryCheckFailed(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The library's range checks format their messages with %s and %zu only.
std::string Format(const char* format, std::va_list values) {
  std::string text;
  for (const char* c = format; *c; ++c) {
    if (c[0] == '%' && c[1] == 's') {
      text += va_arg(values, const char*);
      c += 1;
    } else if (c[0] == '%' && c[1] == 'z' && c[2] == 'u') {
      text += std::to_string(va_arg(values, std::size_t));
      c += 2;
    } else {
      text += *c;
    }
  }
  return text;
}

}  // namespace

namespace std {

void __throw_bad_alloc() {
  throw bad_alloc();
}

void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}

void __throw_length_error(const char* message) {
  throw LibraryCheckFailed(message);
}

void __throw_logic_error(const char* message) {
  throw LibraryCheckFailed(message);
}

void __throw_out_of_range(const char* message) {
  throw LibraryCheckFailed(message);
}

void __throw_out_of_range_fmt(const char* format, ...) {
  std::va_list values;
  va_start(values, format);
  std::string message = Format(format, values);
  va_end(values);
  throw LibraryCheckFailed(std::move(message));
}

}  // namespace std
