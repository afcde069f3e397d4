// A UDP port that is free on the loopback addresses at the moment of asking,
// for tests and benchmarks alike: neither ever binds port 571.
#pragma once

#include <QtGlobal>

namespace kovra::test {

quint16 FreeUdpPort();

}  // namespace kovra::test
