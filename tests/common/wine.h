// Whether the tests run under Wine rather than on Windows or Linux: a few
// things Windows does, Wine does not, and those tests say so and skip.
#pragma once

namespace kovra::test {

bool UnderWine();

}  // namespace kovra::test
