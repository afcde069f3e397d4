#include "common/platform.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <cerrno>
#endif

namespace kovra::test {

bool UnderWine() {
#ifdef _WIN32
  // Wine's own system library names its version; Windows' has no such entry.
  const HMODULE system = GetModuleHandleW(L"ntdll.dll");
  return system != nullptr && GetProcAddress(system, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

#ifdef _WIN32
int NoBuffersError() { return WSAENOBUFS; }
int WouldBlockError() { return WSAEWOULDBLOCK; }
#else
int NoBuffersError() { return ENOBUFS; }
int WouldBlockError() { return EAGAIN; }
#endif

}  // namespace kovra::test
