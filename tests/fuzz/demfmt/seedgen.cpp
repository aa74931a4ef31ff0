// seedgen IN_DIR OUT_DIR: compiles every *.txt dump seed of IN_DIR into a
// small synthetic demo in OUT_DIR (the demo reader's seed corpus).
#include <cstdio>
#include <filesystem>

#include "demfmt/demfmt.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: seedgen IN_DIR OUT_DIR\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::create_directories(argv[2]);
    int n = 0;
    for (const auto& e : fs::directory_iterator(argv[1])) {
        if (e.path().extension() != ".txt") continue;
        try {
            std::string demo = demfmt::dump_to_demo(demfmt::read_file(e.path().string()));
            fs::path out = fs::path(argv[2]) / e.path().stem();
            demfmt::write_file_atomic(out.string() + ".bin", demo);
            ++n;
        } catch (const demfmt::Error& err) {
            std::fprintf(stderr, "seedgen: %s: %s\n", e.path().string().c_str(), err.what());
            return 1;
        }
    }
    std::printf("seedgen: %d seeds\n", n);
    return 0;
}
