// What differs between the systems the tests run on, for the few tests
// that must know.
#pragma once

namespace kovra::test {

// Whether the tests run under Wine rather than on Windows or Linux: a few
// things Windows does, Wine does not, and those tests say so and skip.
bool UnderWine();

// The system's error codes for a send that finds no room in its queues,
// to make a send fail as the system would.
int NoBuffersError();
int WouldBlockError();

}  // namespace kovra::test
