// Runs one fuzz target over files and folders of inputs, as the tests do with
// each target's corpus and kept regressions: every input once, in name order.
// A place that does not exist, or a replay with no input at all, fails: a
// corpus moved or emptied must not pass as a clean run.
//
//   fuzz_replay <target> <file-or-folder>...

#include "FuzzTargets.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc < 2 || !fuzzTargets().contains(argv[1])) {
        std::fprintf(stderr, "usage: fuzz_replay <target> <file-or-folder>...\ntargets:");
        for (const auto& [name, entry] : fuzzTargets())
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    const FuzzEntry entry = fuzzTargets().at(argv[1]);
    std::vector<fs::path> inputs;
    for (int i = 2; i < argc; ++i) {
        const fs::path place(argv[i]);
        if (fs::is_directory(place)) {
            for (const auto& file : fs::recursive_directory_iterator(place)) {
                if (file.is_regular_file() && file.path().filename().string().front() != '.')
                    inputs.push_back(file.path());
            }
        } else if (fs::is_regular_file(place)) {
            inputs.push_back(place);
        } else {
            std::fprintf(stderr, "fuzz_replay: %s does not exist\n", argv[i]);
            return 1;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "fuzz_replay: no input to replay\n");
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::ifstream stream(input, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "%s\n", input.c_str());
        entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
