// Write-then-rename: no partial output file is ever left at the target path.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "demfmt/demfmt.h"

namespace demfmt {

void write_file_atomic(const std::string& path, std::string_view data) {
    std::random_device rd;
    std::string tmp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 16 && !f; ++attempt) {
        tmp = path + ".tmp" + std::to_string(rd() % 1000000u);
        f = std::fopen(tmp.c_str(), "wbx");  // C11 exclusive create
    }
    if (!f) throw Error("cannot create a temporary file beside the output");
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(tmp, path, ec);
        if (!ec) return;
    }
    std::filesystem::remove(tmp, ec);
    throw Error("cannot write the output file");
}

}  // namespace demfmt
