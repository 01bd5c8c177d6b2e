// Name matching and search order over arbitrary byte names: matching is
// exactly "ends in .asm, ASCII case ignored", a name with a CR or LF anywhere
// is found, and the order is a strict total order.

#include "scan/directory_search.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool modelMatches(const std::string& name) {
  if (name.size() < 4) {
    return false;
  }
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), lowerAscii);
  return tail == ".asm";
}

void check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<std::string> names;
  while (input.remaining_bytes() > 0 && names.size() < 8) {
    names.push_back(input.ConsumeRandomLengthString(300));
  }
  using dravenik::searchOrderLess;
  for (const std::string& a : names) {
    check(dravenik::isProjectFileName(a) == modelMatches(a), "matching differs from the model");
    check(dravenik::holdsLineBreak(a) ==
              (a.find('\n') != std::string::npos || a.find('\r') != std::string::npos),
          "line-break check differs from the model");
    check(!searchOrderLess(a, a), "a name precedes itself");
    for (const std::string& b : names) {
      const bool ab = searchOrderLess(a, b);
      const bool ba = searchOrderLess(b, a);
      check(!(ab && ba), "two names precede each other");
      check(a == b || ab || ba, "two different names are not ordered");
      for (const std::string& c : names) {
        check(!(ab && searchOrderLess(b, c)) || searchOrderLess(a, c), "order is not transitive");
      }
    }
  }
  return 0;
}
