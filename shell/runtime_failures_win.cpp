// Linked into FunkelisTools.exe alone: how the launcher ends when the C++ runtime reports a failure.
//
// The launcher catches no exception, so every failure that the runtime reports by throwing (a string
// grown past its maximum size, an index out of range, memory exhausted) already ends the process:
// the exception escapes, std::terminate runs, and terminate aborts. Here the runtime's throw helpers
// and its terminate handler abort at once instead. The checks themselves stay where they are; only
// the road to the same end is shorter. What that leaves out of the image (each measured with
// scripts/launcher-map.py): the exception classes with their copies of the message strings, the
// library's compiled string members they keep alive, and the demangler that the verbose terminate
// handler uses to print the type of an exception to a console this program does not have.
//
// The definitions replace the library's own (bits/functexcept.h and the verbose terminate handler);
// should the library start to need one more of its throw helpers, the link fails with a duplicate
// definition instead of quietly taking the library's object back. They were made for the C++ library
// of GCC 12 (the configuration warns on another); the suite's image budget
// (tests/win32/launcher_imports_check.cmake) notices when a library update brings the left-out parts back.
//
// operator new, the one place that still threw (std::bad_alloc on exhausted memory), ends the process
// here the same way, so the library's own operator new, and with it the unwinder and the threads
// library its throw needs, stay out of the image.
#include <bits/functexcept.h>
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
} // namespace __gnu_cxx

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
void __throw_ios_failure(const char*) { std::abort(); }
void __throw_ios_failure(const char*, int) { std::abort(); }
void __throw_system_error(int) { std::abort(); }
void __throw_future_error(int) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
} // namespace std

namespace {

[[gnu::always_inline]] inline void* AllocateOrAbort(std::size_t size) {
    // malloc may answer 0 bytes with a null pointer; new must still return a unique one.
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) std::abort();
    return memory;
}

} // namespace

void* operator new(std::size_t size) { return AllocateOrAbort(size); }
void* operator new[](std::size_t size) { return AllocateOrAbort(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrAbort(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrAbort(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
