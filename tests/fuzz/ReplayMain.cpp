// Without libFuzzer a fuzz target is a replay program: every file of the folders (or the
// files) it is given goes through the target once, so the test suite runs each corpus
// file, and a file that once crashed a reader shows the fault again if it comes back.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool replay(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // An empty vector's data() may be null; libFuzzer never passes null, so neither do we.
    static const uint8_t none = 0;
    const auto *data = bytes.empty() ? &none : reinterpret_cast<const uint8_t *>(bytes.data());
    LLVMFuzzerTestOneInput(data, bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(arg);
        }
        for (const auto &file : files) {
            if (!replay(file))
                return 1;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    // A folder that lost its files would pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
