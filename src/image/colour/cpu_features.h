// Which vector instructions the processor running us has: asked once, so that a colour pass is
// chosen once per picture.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
// Whether SSE2 may be used: always on x86-64; on 32-bit x86, where the build may not assume it.
inline bool HasSse2() {
#if defined(__SSE2__)
  return true;
#else
  static const bool has = __builtin_cpu_supports("sse2");
  return has;
#endif
}
#endif
