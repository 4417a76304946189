// Every settings reader over any bytes: "Show settings from a file" under the names whose
// rules differ (SETUP.ORV, a KLS file, DATA0.ORV, a data file, anything else), the same
// bytes decoded as from several logger numbers, the registry of logger gains read from the
// bytes as text, and the trigger tests over the bytes as a data file.
#include <cstdint>
#include <string>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "settings/gain_table.h"
#include "settings/settings_page.h"
#include "settings/settings_reader.h"
#include "settings/trigger_test.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    static const char* const names[6] = {"SETUP.ORV", "deployment.KLS", "DATA0.ORV",
                                         "input.KL1", "input.KL2",      "input.bin"};
    fuzz::Scratch().Clear();
    const std::string path = fuzz::WriteScratchFile(names[selector % 6], bytes);

    Program program;
    HeadlessHost host;
    if (ReadSettingsFromFile(program, host, path)) {
        ShownSettings(SettingsPageOf(program));
        for (const int n : {1, 2, 104, 125, 1104, 65535}) {
            DecodeSettings(program, host, n);
            ShownSettings(SettingsPageOf(program));
        }
        ShowSettingsAsForChange(program, host, std::to_string(selector));
    }

    LoggerGainTable gains = BuiltInGainTable();
    std::string error;
    ApplyGainRegistry(bytes, gains, error);
    ApplyGainRegistryFile(path, gains, error);

    TestTriggerOnFiles(program, host, {path});
    if (OpenDataFile(program, host, path, 1)) {
        TestFWCtriggerClick(program, host);
        CloseDataFile(program, host, 1);
    }
    return 0;
}
