// A scan that runs out of memory half-way must not leave a table that looks current.
//
// This file replaces the global operator new of the test program with one that can be told
// to fail once, after a number of allocations; until then it only forwards to malloc.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include "model/csv_table.h"

namespace {

long allocationsBeforeFailure = -1;  // -1: never fail

void failAfter(long allocations) { allocationsBeforeFailure = allocations; }

}  // namespace

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        throw std::bad_alloc();
    }
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The array forms are replaced too: a sanitizer runtime supplies its own, which would not
// come here.
void* operator new[](std::size_t size) { return operator new(size); }
// And the forms that return null instead of throwing (the standard library's temporary buffers
// use them), so every block the deletes below free came from malloc.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(ScanFailure, RunningOutOfMemoryLeavesAnEmptyStaleTable) {
    CsvTable table;
    scanDocument("a,b\nc,d\n", ',', '"', table);
    std::string text;
    for (int i = 0; i < 300; ++i) text += "\"x\"\"y\",z\n";

    failAfter(100);
    EXPECT_THROW(scanDocument(text, ',', '"', table), std::bad_alloc);
    failAfter(-1);
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(table.maxCells, 0u);
    EXPECT_EQ(table.parsedLength, ~uint64_t(0));

    scanDocument(text, ',', '"', table);
    EXPECT_EQ(table.rows.size(), 300u);
    EXPECT_EQ(table.parsedLength, text.size());
}

}  // namespace
