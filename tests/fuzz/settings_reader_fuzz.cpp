// Feeds arbitrary bytes to the settings reader: it must never crash, and whatever it reads must
// survive a save and a second read unchanged.

#include "platform/text_encoding.h"
#include "settings/record_reader.h"
#include "settings/record_writer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wallcycle;
    std::string text = decode_settings_bytes(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> records = read_records(text);
    if (records.empty())
        return 0;
    Settings settings{records.front(), std::vector<std::string>(records.begin() + 1, records.end())};
    Result<std::string> written = write_records(settings);
    if (!written)
        return 0; // a bare record with a quote in it cannot be saved; the save says so
    if (read_records(written.value()) != records)
        std::abort();
    return 0;
}
