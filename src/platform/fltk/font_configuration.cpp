#include "font_configuration.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sys/mman.h>

namespace {

// The thread runs on a stack of our own, unmapped once it has ended, where
// one of the C library's would be kept for a next thread.
constexpr size_t kStackBytes = 1 << 20;
void* stack = MAP_FAILED;
pthread_t reader;
bool reading = false;

void* Read(void*) {
  FcInit();
  return nullptr;
}

}  // namespace

void StartReadingFontConfiguration() {
  static bool started = false;
  if (started) return;
  started = true;
  stack = mmap(nullptr, kStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (stack == MAP_FAILED) return;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  reading = pthread_attr_setstack(&attributes, stack, kStackBytes) == 0 &&
            pthread_create(&reader, &attributes, Read, nullptr) == 0;
  pthread_attr_destroy(&attributes);
}

void WaitForFontConfiguration() {
  if (reading) pthread_join(reader, nullptr);
  reading = false;
  if (stack != MAP_FAILED) munmap(stack, kStackBytes);
  stack = MAP_FAILED;
}
