// Feeds arbitrary bytes to the settings reader: it must never crash, and a save of what it read
// must give back every record as the very bytes it was read from, and read back the same.

#include "settings/record_reader.h"
#include "settings/record_writer.h"
#include "settings/records_as_read.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wallcycle;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DecodedRecords first = decode_settings_file(bytes);
    if (first.records.empty())
        return 0;
    Settings settings{first.records.front(),
                      std::vector<std::string>(first.records.begin() + 1, first.records.end())};
    Result<std::string> written = write_records(settings, first.as_read);
    if (!written)
        return 0; // a bare record with a quote in it cannot be saved; the save says so
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (record_views(written.value()) != record_views(bytes))
        std::abort(); // a record untouched by the user was rewritten
    if (decode_settings_file(written.value()).records != first.records)
        std::abort();
    return 0;
}
