// QEL.EXE is built without exceptions, yet libstdc++'s own operator new and
// its containers' length checks throw, and linking them brings the unwinder,
// the demangler and a printf of its own: 200 KB in a 30 KB program. These
// take their place, as the standard lets a program replace them. Out of
// memory, or a length no container can hold, ends the program at once, as
// an exception that nothing catches would.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace std {
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
