// Replays a fuzz target over every file of the folders given, so the seed corpus runs
// as an ordinary test wherever libFuzzer is not at hand.

#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    int files = 0;
    for (int a = 1; a < argc; ++a) {
        DIR* dir = opendir(argv[a]);
        if (dir == nullptr) {
            std::fprintf(stderr, "replay: cannot open %s\n", argv[a]);
            return 1;
        }
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            const std::string path = std::string(argv[a]) + "/" + entry->d_name;
            FILE* f = std::fopen(path.c_str(), "rb");
            if (f == nullptr) continue;
            std::vector<uint8_t> bytes;
            int c;
            while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
            std::fclose(f);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++files;
        }
        closedir(dir);
    }
    std::printf("replay: %d inputs\n", files);
    return files > 0 ? 0 : 1;
}
