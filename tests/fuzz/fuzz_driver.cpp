// SPDX-License-Identifier: MIT
// Runs the fuzz target without libFuzzer: over files, over every file of a
// directory, or over simulator transcripts, whose "> " records (the bytes the
// modem sent) make one input each. With --extract DIR the transcripts are
// written out as raw seed files for libFuzzer instead.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/transcript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return quillfen::test::IsTranscript(content) ? quillfen::test::ModemBytes(content) : content;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    std::filesystem::path extractTo;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--extract" && i + 1 < argc) {
            extractTo = argv[++i];
            continue;
        }
        std::filesystem::path path(arg);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) inputs.push_back(entry.path());
        } else {
            inputs.push_back(path);
        }
    }
    std::size_t bytes = 0;
    for (const auto& path : inputs) {
        std::string data = Load(path);
        bytes += data.size();
        if (!extractTo.empty()) {
            std::filesystem::create_directories(extractTo);
            std::ofstream(extractTo / path.filename(), std::ios::binary) << data;
            continue;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    }
    std::printf("%zu inputs, %zu bytes %s\n", inputs.size(), bytes, extractTo.empty() ? "run" : "extracted");
    return inputs.empty() ? 1 : 0;
}
