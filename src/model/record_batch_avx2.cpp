// The copy of the block reading's first pass for processors with AVX2, and the question
// whether the processor the reading runs on has it. GCC and Clang compile this file alone for
// AVX2; Visual Studio takes the AVX2 instructions without being asked.
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define TABULON_BATCH_AVX2 1
#endif
#include "model/record_batch.h"

#if defined(_MSC_VER) && !defined(__clang__) && TABULON_BATCH_AVX2
#include <intrin.h>
#endif

namespace record_scan {

#if TABULON_BATCH_AVX2

bool avx2Batches() {
#if defined(_MSC_VER) && !defined(__clang__)
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7) return false;
    __cpuid(info, 1);
    const bool popcnt = (info[2] >> 23 & 1) != 0;
    const bool osSaves = (info[2] >> 27 & 1) != 0;
    const bool avx = (info[2] >> 28 & 1) != 0;
    if (!popcnt || !osSaves || !avx) return false;
    // The system must save the vector registers' upper halves.
    if ((_xgetbv(0) & 6) != 6) return false;
    __cpuidex(info, 7, 0);
    return (info[1] >> 5 & 1) != 0;
#else
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
#endif
}

void classifyBatchAvx2(const unsigned char* bytes, uint64_t length, uint64_t batch, char delimiter, char quote,
                       bool notes, BlockState& state, Batch& out) {
    const avx2::Avx2Classifier classifier(delimiter, quote);
    if (notes)
        avx2::classifyBatch<true>(bytes, length, batch, delimiter, quote, classifier, state, out);
    else
        avx2::classifyBatch<false>(bytes, length, batch, delimiter, quote, classifier, state, out);
}

#else

// Not an x86 processor: the pass the build targets is the only one.
bool avx2Batches() { return false; }

void classifyBatchAvx2(const unsigned char* bytes, uint64_t length, uint64_t batch, char delimiter, char quote,
                       bool notes, BlockState& state, Batch& out) {
    const BlockClassifier classifier(delimiter, quote);
    if (notes)
        classifyBatch<true>(bytes, length, batch, delimiter, quote, classifier, state, out);
    else
        classifyBatch<false>(bytes, length, batch, delimiter, quote, classifier, state, out);
}

#endif

}  // namespace record_scan
