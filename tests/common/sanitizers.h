#pragma once

// QUORVEL_ASAN is defined in a build with AddressSanitizer (GCC or Clang): its quarantine and
// shadow memory make resident-memory figures mean something else there.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_ASAN 1
#endif
#endif
