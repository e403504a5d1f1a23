// Linked into FunkelisTools.exe alone, in place of libstdc++'s verbose terminate handler.
//
// That handler writes the escaping exception's demangled type to stderr and then aborts. The launcher
// is a GUI program with no console, so the text goes nowhere, yet the handler pulls the whole C++
// demangler and the runtime's printf into the image (about 75 KB). Defining it here keeps the library's
// copy out; std::terminate still ends the process through abort(), as before.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
} // namespace __gnu_cxx
