#include "common/wine.h"

#ifdef _WIN32
#include <windows.h>
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

}  // namespace kovra::test
