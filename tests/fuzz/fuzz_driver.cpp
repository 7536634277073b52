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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The modem's side of a transcript, unescaped.
std::string ModemBytes(const std::string& transcript) {
    std::string bytes;
    std::size_t at = 0;
    while (at < transcript.size()) {
        std::size_t end = transcript.find('\n', at);
        if (end == std::string::npos) end = transcript.size();
        if (transcript.compare(at, 2, "> ") == 0) {
            for (std::size_t i = at + 2; i < end; ++i) {
                char c = transcript[i];
                if (c != '\\' || i + 1 >= end) {
                    bytes.push_back(c);
                    continue;
                }
                char escape = transcript[++i];
                if (escape == 'r') bytes.push_back('\r');
                else if (escape == 'n') bytes.push_back('\n');
                else if (escape == 'x' && i + 2 < end && HexDigit(transcript[i + 1]) >= 0 && HexDigit(transcript[i + 2]) >= 0) {
                    bytes.push_back(static_cast<char>(HexDigit(transcript[i + 1]) * 16 + HexDigit(transcript[i + 2])));
                    i += 2;
                } else bytes.push_back(escape);
            }
        }
        at = end + 1;
    }
    return bytes;
}

std::string Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool transcript = content.compare(0, 2, "< ") == 0 || content.compare(0, 2, "> ") == 0 ||
                      content.compare(0, 19, "# quillfen-modemsim") == 0;
    return transcript ? ModemBytes(content) : content;
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
