// Generators of the benchmark documents.
#include "documents.h"

#include <cstdio>

namespace {

// A small deterministic generator (splitmix64).
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t below(uint64_t n) { return next() % n; }

private:
    uint64_t state_;
};

const char* const WORDS[] = {"apple", "Zürich", "São Paulo", "Kraków", "naïve", "delivery", "Tromsø",
                             "invoice", "Łódź", "Málaga", "crème brûlée", "north", "Reykjavík",
                             "warehouse", "Besançon", "open", "closed", "pending", "Ærøskøbing", "café"};
constexpr uint64_t WORD_COUNT = sizeof WORDS / sizeof WORDS[0];

const char* word(Random& random) { return WORDS[random.below(WORD_COUNT)]; }

void appendNumber(std::string& out, uint64_t value) {
    char buffer[24];
    int n = std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(value));
    out.append(buffer, static_cast<size_t>(n));
}

void appendDecimal(std::string& out, Random& random, uint64_t whole) {
    if (random.below(4) == 0) out += '-';
    appendNumber(out, random.below(whole));
    out += '.';
    uint64_t cents = random.below(100);
    out += static_cast<char>('0' + cents / 10);
    out += static_cast<char>('0' + cents % 10);
}

void appendTwoDigits(std::string& out, uint64_t value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

// One field of the typical document, column c; lineBreaks false keeps it on one line.
void appendTypicalField(std::string& out, Random& random, int c, uint64_t rowNumber, bool lineBreaks) {
    uint64_t pick = random.below(700);
    if (pick < 7) {
        // One in a hundred: a quoted text with a line break and doubled quotes.
        out += "\"said \"\"";
        out += word(random);
        out += lineBreaks ? "\"\"\r\nthen left, at " : "\"\" then left, at ";
        appendNumber(out, random.below(24));
        out += '"';
        return;
    }
    if (pick < 107) {
        // One in seven: a quoted text with the delimiter inside.
        out += '"';
        out += word(random);
        out += ", ";
        out += word(random);
        out += '"';
        return;
    }
    switch (c) {
        case 0: appendNumber(out, rowNumber); break;
        case 1: appendDecimal(out, random, 100000); break;
        case 2:
            out += "20";
            appendTwoDigits(out, 10 + random.below(15));
            out += '-';
            appendTwoDigits(out, 1 + random.below(12));
            out += '-';
            appendTwoDigits(out, 1 + random.below(28));
            break;
        case 3:
            appendTwoDigits(out, random.below(24));
            out += ':';
            appendTwoDigits(out, random.below(60));
            out += ':';
            appendTwoDigits(out, random.below(60));
            break;
        case 4: case 5: case 9: out += word(random); break;
        case 6: appendNumber(out, random.below(1000)); break;
        case 7: appendDecimal(out, random, 1000); break;
        default:
            out += word(random);
            out += ' ';
            out += word(random);
            break;
    }
}

const char TYPICAL_HEADER[] = "id,amount,date,time,city,product,quantity,price,comment,status";

}  // namespace

namespace documents {

std::string typical(uint64_t bytes) {
    Random random(1);
    std::string out;
    out.reserve(bytes + 256);
    out += TYPICAL_HEADER;
    out += "\r\n";
    for (uint64_t row = 1; out.size() < bytes; ++row) {
        for (int c = 0; c < 10; ++c) {
            if (c) out += ',';
            appendTypicalField(out, random, c, row, true);
        }
        out += "\r\n";
    }
    return out;
}

std::string wide(uint64_t bytes) {
    Random random(2);
    std::string out;
    out.reserve(bytes + 8192);
    for (int c = 0; c < 600; ++c) {
        if (c) out += ',';
        out += 'c';
        appendNumber(out, static_cast<uint64_t>(c));
    }
    out += "\r\n";
    while (out.size() < bytes) {
        for (int c = 0; c < 600; ++c) {
            if (c) out += ',';
            appendNumber(out, random.below(100000));
        }
        out += "\r\n";
    }
    return out;
}

std::string hugeCells(uint64_t bytes) {
    Random random(3);
    std::string out;
    out.reserve(bytes + 4096);
    out += "id,note,size\r\n";
    const int HUGE_CELLS = 4;
    const uint64_t cellBytes = bytes / (HUGE_CELLS + 1);
    for (int h = 0; h < HUGE_CELLS; ++h) {
        for (int k = 0; k < 200; ++k) {
            appendNumber(out, out.size());
            out += ",\"";
            out += word(random);
            out += ", ";
            out += word(random);
            out += "\",";
            appendNumber(out, random.below(5000));
            out += "\r\n";
        }
        appendNumber(out, static_cast<uint64_t>(h));
        out += ",\"";
        uint64_t begin = out.size();
        for (uint64_t line = 0; out.size() - begin < cellBytes; ++line) {
            out += "line ";
            appendNumber(out, line);
            out += ": \"\"";
            out += word(random);
            out += "\"\", then ";
            out += word(random);
            out += "; and, ";
            out += word(random);
            out += "\r\n";
        }
        out += "\",";
        appendNumber(out, cellBytes);
        out += "\r\n";
    }
    return out;
}

std::string unterminatedQuote(uint64_t bytes) {
    // The quotes of the typical text are doubled, so none of them closes the first one.
    std::string body = typical(bytes - bytes / 16);
    std::string out;
    out.reserve(bytes + 1024);
    out += '"';
    for (char c : body) {
        if (c == '"') out += '"';
        out += c;
    }
    return out;
}

std::string singleLine(uint64_t bytes) {
    Random random(4);
    std::string out;
    out.reserve(bytes + 256);
    for (uint64_t row = 1; out.size() < bytes; ++row)
        for (int c = 0; c < 10; ++c) {
            if (row > 1 || c) out += ',';
            appendTypicalField(out, random, c, row, false);
        }
    return out;
}

}  // namespace documents
