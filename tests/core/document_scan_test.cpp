// The whole-document reading by blocks against the reading by fields it must equal, on
// documents shaped like real ones (quoted cells with doubled quotes and line breaks, stray
// quotes inside cells and after closing quotes, every kind of line ending) and long enough to
// cross many blocks and batches; and a scan done in steps against the same scan in one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "model/csv_table.h"
#include "model/record_blocks.h"
#include "model/scanner_reference.h"
#include "table_invariants.h"

namespace {

// One cell: mostly plain or properly quoted, now and then one of the shapes where a quote is
// an ordinary byte.
std::string randomCell(std::mt19937& engine, char delimiter) {
    const std::string d(1, delimiter);
    switch (engine() % 12) {
        case 0: return "";
        case 1: return "\"" + d + " inside\"";
        case 2: return "\"said \"\"hi\"\"\r\nthen\"";
        case 3: return "\"\"";
        case 4: return "ab\"cd";             // quote inside an unquoted cell
        case 5: return "\"ab\"cd\"ef";       // quotes after the closing quote
        case 6: return "\"ab\" \"";          // a space, then a quote that opens nothing
        case 7: return "\"line\nbreak\rand\r\n" + d + "\"";
        case 8: return " \"padded\"";        // starts with a space: unquoted
        case 9: return "\"never closed" + d;  // may run to the end of the text
        default: return std::string(engine() % 90, static_cast<char>('a' + engine() % 26));
    }
}

// A sparse document has a quoted or odd cell only now and then, as most documents, and so
// long stretches of blocks without a quote.
std::string randomDocument(std::mt19937& engine, char delimiter, uint64_t length, bool sparse = false) {
    static const char* const endings[] = {"\r\n", "\r\n", "\n", "\r", "\r\r\n", "\n\n"};
    std::string text;
    while (text.size() < length) {
        const uint64_t cells = 1 + engine() % 8;
        for (uint64_t c = 0; c < cells; ++c) {
            if (c) text += delimiter;
            // Cell 9 ("never closed") is rare enough to leave most documents readable to the end.
            std::string cell = sparse && engine() % 30 != 0 ? std::string(1 + engine() % 40, 'p')
                                                             : randomCell(engine, delimiter);
            if (cell.rfind("\"never", 0) == 0 && engine() % 8 != 0) cell.assign(1, 'x');
            text += cell;
        }
        text += endings[engine() % 6];
    }
    // Cut anywhere: in a line ending, in a quoted cell, just after a quote.
    text.resize(length);
    return text;
}

TEST(DocumentScan, EveryClassifierMarksTheSameBytes) {
    // The SSE2 one (where the target has it) and the 64-bit-word one of the 32-bit build
    // against the byte-by-byte one, on blocks rich in the bytes they look for and in bytes of
    // 0x80 and up.
    std::mt19937 engine(64);
    const unsigned char common[] = {',', ';', '"', '\r', '\n', 0x80, 0xFF, 0x0D ^ 0x80, 'a', 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0};
    for (int round = 0; round < 2000; ++round) {
        unsigned char block[64];
        for (unsigned char& byte : block)
            byte = engine() % 2 ? common[engine() % sizeof common] : static_cast<unsigned char>(engine());
        const char delimiter = ",;\t|\x7f"[engine() % 5];
        record_scan::ByteMasks expected;
        record_scan::classifyBytes(block, 64, static_cast<unsigned char>(delimiter), '"', expected);
        record_scan::ByteMasks portable;
        record_scan::PortableClassifier(delimiter, '"').classify<true>(block, portable);
        record_scan::ByteMasks used;
        record_scan::BlockClassifier(delimiter, '"').classify<true>(block, used);
        for (const record_scan::ByteMasks* masks : {&portable, &used}) {
            ASSERT_EQ(masks->stops, expected.stops);
            ASSERT_EQ(masks->breaks, expected.breaks);
            ASSERT_EQ(masks->quotes, expected.quotes);
            ASSERT_EQ(masks->high, expected.high);
            ASSERT_EQ(masks->continuations, expected.continuations);
            ASSERT_EQ(masks->leads2, expected.leads2);
        }
    }
}

// The first pass of the build's classifier (SSE2 where the target has it) and of the AVX2 copy
// (where the processor has it) against the one of the byte-wise classifier.
TEST(DocumentScan, EveryBatchPassWritesDownTheSame) {
    std::mt19937 engine(32);
    const auto pass = [](int which, const std::string& text, uint64_t batch, bool notes, record_scan::BlockState& state,
                         record_scan::Batch& out) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const record_scan::PortableClassifier portable(',', '"');
        const record_scan::BlockClassifier built(',', '"');
        if (which == 2) {
            record_scan::classifyBatchAvx2(bytes, text.size(), batch, ',', '"', notes, state, out);
        } else if (which == 1) {
            if (notes) record_scan::classifyBatch<true>(bytes, text.size(), batch, ',', '"', built, state, out);
            else record_scan::classifyBatch<false>(bytes, text.size(), batch, ',', '"', built, state, out);
        } else {
            if (notes) record_scan::classifyBatch<true>(bytes, text.size(), batch, ',', '"', portable, state, out);
            else record_scan::classifyBatch<false>(bytes, text.size(), batch, ',', '"', portable, state, out);
        }
    };
    const int passes = record_scan::avx2Batches() ? 3 : 2;
    for (int round = 0; round < 300; ++round) {
        std::string text = randomDocument(engine, ',', 1 + engine() % 5000, round % 2 == 0);
        // Characters of two, three and four bytes, and bytes no character has.
        static const char* const odd[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3", "\x80", "\xC1\xBF"};
        const int odds = round % 3 == 0 ? 0 : 1 + static_cast<int>(engine() % 20);
        for (int k = 0; k < odds; ++k) text.insert(engine() % text.size(), odd[engine() % 6]);
        for (bool notes : {true, false}) {
            for (int which = 1; which < passes; ++which) {
                record_scan::BlockState stateA, stateB;
                record_scan::Batch a, b;
                for (uint64_t batch = 0; batch < text.size(); batch += 64 * a.blocks) {
                    pass(which, text, batch, notes, stateA, a);
                    pass(0, text, batch, notes, stateB, b);
                    ASSERT_EQ(a.blocks, b.blocks) << "pass " << which;
                    ASSERT_EQ(a.endCount, b.endCount);
                    ASSERT_EQ(a.stray, b.stray);
                    ASSERT_EQ(a.oddAny, b.oddAny) << "pass " << which << " round " << round;
                    for (uint64_t k = 0; k < a.blocks; ++k) {
                        ASSERT_EQ(a.delimiterMasks[k], b.delimiterMasks[k]);
                        ASSERT_EQ(a.delimitersBefore[k + 1], b.delimitersBefore[k + 1]);
                        if (a.oddAny != 0) {
                            ASSERT_EQ(a.odd[k], b.odd[k]);
                        }
                    }
                    for (uint64_t k = 0; k < a.endCount; ++k) ASSERT_EQ(a.ends[k], b.ends[k]);
                    ASSERT_EQ(stateA.inside, stateB.inside);
                    if (a.stray) break;
                }
            }
        }
    }
}

TEST(DocumentScan, BlockReadingGivesTheTableOfTheFieldReading) {
    std::mt19937 engine(1209);
    for (int round = 0; round < 300; ++round) {
        const char delimiter = ",;\t|"[engine() % 4];
        // Up to several 2 KiB batches of 64-byte blocks.
        const std::string text = randomDocument(engine, delimiter, engine() % (round % 10 == 0 ? 20000 : 3000));
        ASSERT_EQ(invariants::checkScansAlike(text, delimiter), "") << ::testing::PrintToString(text);
    }
}

TEST(DocumentScan, QuotesAndLineEndingsAtBlockEdges) {
    // Each shape is put so that its key byte falls on every position around a block edge.
    const std::string shapes[] = {"a,\"b\"\"c\",d\r\n", "ab\"c,\"d\"\n", "\"x\"y\"z,w\r\n", "a\r\n\"q\"\r\n",
                                  "a\r\r\n,\"\r\n\"\n", ",\"\",\"\"\"\"\r"};
    for (const std::string& shape : shapes) {
        for (uint64_t pad = 50; pad < 80; ++pad) {
            const std::string text = std::string(pad, 'p') + "\n" + shape + shape + "tail";
            ASSERT_EQ(invariants::checkScansAlike(text, ','), "") << ::testing::PrintToString(text);
        }
    }
}

TEST(DocumentScan, StepsGiveTheTableOfOneScanWhereverTheTextLies) {
    std::mt19937 engine(712);
    CsvTable stepped;
    for (int round = 0; round < 100; ++round) {
        const std::string text = randomDocument(engine, ',', engine() % 12000);
        CsvTable whole;
        scanDocument(text, ',', '"', whole);

        DocumentScan scan(stepped, text.size(), ',', '"');
        uint64_t steps = 0;
        while (!scan.done()) {
            ASSERT_NE(stepped.parsedLength, text.size()) << "stamped before the last step";
            // Between steps the document may lie elsewhere in memory.
            const std::string moved = text;
            const uint64_t before = scan.position();
            const uint64_t reached = scan.step(moved, before + engine() % 700);
            ASSERT_GT(reached, before);
            ASSERT_EQ(reached, scan.position());
            ++steps;
        }
        ASSERT_EQ(scan.position(), text.size());
        ASSERT_EQ(invariants::checkSameTable(whole, stepped), "") << "round " << round << " in " << steps << " steps";
        ASSERT_EQ(invariants::checkSameNotes(whole, stepped), "") << "round " << round;
    }
}

TEST(DocumentScan, TwoReadersGiveTheStepsOfOne) {
    // The second reader starts anywhere: in a quoted cell, in a CR LF, just after a stray
    // quote; each step must stop where the same step read by one reader stops.
    std::mt19937 engine(2024);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomDocument(engine, round % 3 == 0 ? ';' : ',', 200 + engine() % 20000);
        const char delimiter = round % 3 == 0 ? ';' : ',';
        CsvTable alone, inTwo;
        DocumentScan one(alone, text.size(), delimiter, '"');
        DocumentScan two(inTwo, text.size(), delimiter, '"');
        while (!one.done()) {
            const uint64_t until = one.position() + engine() % (round % 2 ? 30000 : 3000);
            const uint64_t splitAt = one.position() + engine() % (until - one.position() + 50);
            ASSERT_EQ(two.stepInTwo(text, until, splitAt), one.step(text, until)) << "round " << round;
        }
        ASSERT_TRUE(two.done());
        ASSERT_EQ(invariants::checkSameTable(alone, inTwo), "") << "round " << round;
        ASSERT_EQ(invariants::checkSameNotes(alone, inTwo), "") << "round " << round;
        ASSERT_EQ(inTwo.parsedLength, text.size());
    }
}

TEST(DocumentScan, ALongDocumentIsReadByTwoReadersAlike) {
    // Long enough for a single step to be read by two threads where there are two cores.
    std::mt19937 engine(5);
    const std::string text = randomDocument(engine, ',', DocumentScan::TWO_READERS_BYTES * 5 / 4);
    CsvTable reused;
    EXPECT_EQ(invariants::checkScansAlike(text, ',', &reused), "");

    // Second readers that start many chunks in, at line starts in and out of quoted cells; the
    // rows they hand over must then be found and changed as any others.
    CsvTable alone;
    scanDocument(text, ',', '"', alone);
    for (int round = 0; round < 12; ++round) {
        CsvTable inTwo;
        DocumentScan scan(inTwo, text.size(), ',', '"');
        scan.stepInTwo(text, text.size(), engine() % text.size());
        ASSERT_EQ(invariants::checkSameTable(alone, inTwo), "") << "round " << round;
        ASSERT_EQ(invariants::checkSameNotes(alone, inTwo), "") << "round " << round;
        for (uint64_t r = 0; r < inTwo.rows.size(); r += 1 + engine() % 2000) {
            ASSERT_EQ(inTwo.rows.rowStartingAt(inTwo.rows.start(r)), r);
            ASSERT_EQ(inTwo.rows.lastRowStartingBefore(inTwo.rows.start(r) + 1), r);
        }
        const uint64_t first = engine() % inTwo.rows.size();
        const RowList::RowBytes fresh{"x,y", "\n", 2};
        CsvTable changed = alone;
        changed.rows.replace(first, std::min(first + 3, changed.rows.size()), {fresh, fresh});
        inTwo.rows.replace(first, std::min(first + 3, inTwo.rows.size()), {fresh, fresh});
        ASSERT_EQ(invariants::checkSameTable(changed, inTwo), "") << "round " << round;
    }
}

TEST(DocumentScan, EachStepEndsWithARecord) {
    const std::string text = "a,b\r\n\"c\r\nd\",e\r\nf\n\ng";
    CsvTable table;
    DocumentScan scan(table, text.size(), ',', '"');
    EXPECT_EQ(scan.step(text, 0), 5u);   // the first record, whatever the step asks
    EXPECT_EQ(scan.step(text, 6), 15u);  // a step never stops in a quoted line break
    EXPECT_EQ(scan.step(text, 15), 17u);
    EXPECT_EQ(scan.step(text, 100), text.size());
    EXPECT_TRUE(scan.done());
    EXPECT_EQ(table.parsedLength, text.size());
    EXPECT_EQ(table.rows.size(), 5u);
    EXPECT_EQ(table.maxCells, 2u);
}

}  // namespace
