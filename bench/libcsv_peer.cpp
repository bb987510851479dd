// libcsv reports each field and each record end through callbacks; the fields are collected
// into one vector of strings per record.
#include "libcsv_peer.h"

#include <csv.h>

#include <stdexcept>

namespace {

struct Collector {
    PeerTable rows;
    std::vector<std::string> current;
};

void onField(void* bytes, size_t length, void* data) {
    auto* c = static_cast<Collector*>(data);
    c->current.emplace_back(static_cast<const char*>(bytes), length);
}

void onRecord(int, void* data) {
    auto* c = static_cast<Collector*>(data);
    c->rows.push_back(std::move(c->current));
    c->current.clear();
}

}  // namespace

PeerTable parseWithLibcsv(std::string_view text, char delimiter) {
    csv_parser parser;
    if (csv_init(&parser, 0) != 0) throw std::runtime_error("csv_init failed");
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    Collector collector;
    if (csv_parse(&parser, text.data(), text.size(), onField, onRecord, &collector) != text.size()) {
        csv_free(&parser);
        throw std::runtime_error("libcsv stopped early");
    }
    csv_fini(&parser, onField, onRecord, &collector);
    csv_free(&parser);
    return std::move(collector.rows);
}
