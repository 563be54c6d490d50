#pragma once

#include <cstddef>

// What the passthrough's `-o counts=PATH` file holds: one 64-bit counter per kind of request, in the
// server's byte order, in this order. A reader takes them from the file without asking the server.
namespace fusecounts {

enum Kind : std::size_t { Getattr, Readdir, Open, Read, Write, Create, Release, Statfs, Other, KindCount };

// Getattr counts the kernel's lookups too: the library answers a lookup by asking for the attributes.
constexpr const char* KindNames[KindCount] = {"getattr", "readdir", "open",   "read", "write",
                                              "create",  "release", "statfs", "other"};

} // namespace fusecounts
