// What the C++ run-time does with the failures the program never catches, in the setup
// executables only (the host tests and the test programs keep the library's own).
//
// Nothing in the program catches the standard library's own exceptions (a string or container
// past its largest size, a position past its end, a failed allocation): each ends the process
// through std::terminate, whose handler aborts it. The library's handler first writes the
// exception's demangled type to the standard error stream, which a GUI program does not have,
// and brings the demangler with it; the library's throwing helpers bring its exception classes
// and their reference-counted strings. Together that is more than 100 KB of the executable. The
// definitions below take the library's place and abort at once, which is where its versions end
// too. They replace every function of the library's object that holds them, so that object is
// never linked (a newer library that adds one fails the link with a duplicate definition).
#include <bits/functexcept.h>

#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
}  // namespace std
